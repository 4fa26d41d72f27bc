#!/usr/bin/env bash
# Builds queue-analyzer in Release, runs the benchmark instance of bench/ in a
# temporary copy of the directory, and prints the model's processor time per
# interval and the peak memory of the run. A second run of one cycle gives
# the wall time per interval of a plain cycle: the difference of the two
# runs, without the initialisation and the measured cycle's look-aheads.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QA_BENCH_BUILD:-$root/build-bench}"

. "$root/bench/measure.sh"
qa_build "$root" "$build"

work="$(mktemp -d "${TMPDIR:-/tmp}/qa-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp "$root/bench/CONFIG.DAT" "$root/bench/inst_1.DAT" "$work/"
cp "$root/examples/basic/BINOMDIST.DAT" "$work/"
cd "$work"

qa_measure_best "$work"
if [ "$qa_status" -ne 0 ] || ! grep -q '^REQUIRED CPU TIME:;' SUMMARY.CSV 2>/dev/null; then
  echo "benchmark run failed (exit status $qa_status); console output:" >&2
  cat console.log >&2
  exit 1
fi

value() { awk -F';' -v label="$1" '$1 == label {print $2; exit}' SUMMARY.CSV; }
cpu="$(value 'REQUIRED CPU TIME:')"
cycles="$(value 'NUMBER OF CYCLES:')"
intervals="$(value 'NUMBER OF INTERVALS IN CYCLE:')"

echo "instance:            bench/inst_1.DAT (${cycles} cycles of ${intervals} intervals)"
echo "threads:             ${OMP_NUM_THREADS:-all cores ($(nproc))}"
echo "model CPU time:      ${cpu} s (all threads)"
awk -v cpu="$cpu" -v n="$((cycles * intervals))" \
  'BEGIN {printf "CPU time per interval:  %.2f ms (%d intervals, look-aheads of the last cycle included)\n", 1000 * cpu / n, n}'
awk -v ns="$qa_wall_ns" -v n="$((cycles * intervals))" \
  'BEGIN {printf "wall time per interval: %.2f ms (the whole run divided by the intervals)\n", ns / 1e6 / n}'
awk -v kb="$qa_peak_kb" 'BEGIN {printf "peak memory:         %.1f MiB (maximum resident set size)\n", kb / 1024}'
awk -v ns="$qa_wall_ns" 'BEGIN {printf "wall time of run:    %.2f s\n", ns / 1e9}'

# The same instance with one cycle, in a directory of its own.
one="$work/one-cycle"
mkdir -p "$one"
cp inst_1.DAT BINOMDIST.DAT "$one/"
awk 'set != "" { print 1; set = ""; next } { print } $0 == "Number of cycles (0 = until the cycle is steady)" { set = 1 }' \
  CONFIG.DAT >"$one/CONFIG.DAT"
full_ns="$qa_wall_ns"
if [ "$cycles" -gt 1 ]; then
  qa_measure_best "$one"
  if [ "$qa_status" -ne 0 ]; then
    echo "one-cycle run failed (exit status $qa_status)" >&2
    exit 1
  fi
  awk -v full="$full_ns" -v one="$qa_wall_ns" -v n="$(((cycles - 1) * intervals))" \
    'BEGIN {printf "wall time per interval of a plain cycle: %.2f ms (the run less a run of one cycle)\n", (full - one) / 1e6 / n}'
fi
