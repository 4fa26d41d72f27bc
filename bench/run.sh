#!/usr/bin/env bash
# Builds queue-analyzer in Release, runs the benchmark instance of bench/ in a
# temporary copy of the directory, and prints the model's processor time per
# interval and the peak memory of the run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QA_BENCH_BUILD:-$root/build-bench}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target queue-analyzer -j"$(nproc)" >/dev/null
binary="$build/queue-analyzer"

work="$(mktemp -d "${TMPDIR:-/tmp}/qa-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp "$root/bench/CONFIG.DAT" "$root/bench/inst_1.DAT" "$work/"
cp "$root/examples/basic/BINOMDIST.DAT" "$work/"
cd "$work"

status=0
if [ -x /usr/bin/time ]; then
  /usr/bin/time -v -o time.log "$binary" </dev/null >console.log || status=$?
  peak_kb="$(awk -F': ' '/Maximum resident set size/ {print $2}' time.log)"
  wall="$(awk -F': ' '/Elapsed \(wall clock\) time/ {print $2}' time.log)"
else
  # Without GNU time: poll the peak resident set size (VmHWM) of the process
  # until it ends; the peak only grows, so the last reading is the peak.
  start_ns="$(date +%s%N)"
  "$binary" </dev/null >console.log &
  pid=$!
  peak_kb=0
  while kill -0 "$pid" 2>/dev/null; do
    hwm="$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)"
    [ -n "$hwm" ] && peak_kb="$hwm"
    sleep 0.02
  done
  wait "$pid" || status=$?
  wall="$(awk -v ns="$(( $(date +%s%N) - start_ns ))" 'BEGIN {printf "%.2f s", ns / 1e9}')"
fi

if [ "$status" -ne 0 ] || ! grep -q '^REQUIRED CPU TIME:;' SUMMARY.CSV 2>/dev/null; then
  echo "benchmark run failed (exit status $status); console output:" >&2
  cat console.log >&2
  exit 1
fi

value() { awk -F';' -v label="$1" '$1 == label {print $2; exit}' SUMMARY.CSV; }
cpu="$(value 'REQUIRED CPU TIME:')"
cycles="$(value 'NUMBER OF CYCLES:')"
intervals="$(value 'NUMBER OF INTERVALS IN CYCLE:')"

echo "instance:            bench/inst_1.DAT (${cycles} cycles of ${intervals} intervals)"
echo "model CPU time:      ${cpu} s"
awk -v cpu="$cpu" -v n="$((cycles * intervals))" \
  'BEGIN {printf "time per interval:   %.2f ms (%d intervals, look-aheads of the last cycle included)\n", 1000 * cpu / n, n}'
awk -v kb="$peak_kb" 'BEGIN {printf "peak memory:         %.1f MiB (maximum resident set size)\n", kb / 1024}'
echo "wall time of run:    ${wall}"
