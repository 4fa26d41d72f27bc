#!/usr/bin/env bash
# Scaling series of the analytical model: 20, 40 and 60 servers (queue bound
# 25, SCV 2 everywhere, Delta 1/4, 1/8 and 1/12 hour), each run with one
# thread and with all cores. Prints the wall time per interval and the peak
# memory side by side, and the speed-up.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QA_BENCH_BUILD:-$root/build-bench}"
cores="${QA_BENCH_CORES:-$(nproc)}"
series="${QA_BENCH_SERVERS:-20 40 60}"

. "$root/bench/measure.sh"
qa_build "$root" "$build"

work="$(mktemp -d "${TMPDIR:-/tmp}/qa-scaling-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# CONFIG.DAT of the benchmark with the value below a label replaced.
config() {  # delta cycles
  awk -v delta="$1" -v cycles="$2" '
    set != "" { print set; set = ""; next }
    { print }
    $0 == "Interval length (hours)" { set = delta }
    $0 == "Number of cycles (0 = until the cycle is steady)" { set = cycles }
    $0 == "Maximum waiting time of interest (hours)" { set = "0.5" }
  ' "$root/bench/CONFIG.DAT"
}

# A cycle of two hours: arrival loads 0.95 then 1.05 of s servers with mean
# service 1 hour, patience mean 0.5 hour, all SCV 2.
instance() {  # servers
  awk -v s="$1" 'BEGIN {
    printf "2\n1 %.17g 2\n1 %.17g 2\n", 1 / (0.95 * s), 1 / (1.05 * s)
    printf "1\n2 1 2\n1\n2 0.5 2\n1\n2 %d\n", s
  }'
}

# Runs one configuration with the given thread count; sets qa_wall_ns and qa_peak_kb.
run() {  # dir threads
  export OMP_NUM_THREADS="$2"
  qa_measure_best "$1"
  unset OMP_NUM_THREADS
  if [ "$qa_status" -ne 0 ] || ! grep -q '^REQUIRED CPU TIME:;' "$1/SUMMARY.CSV"; then
    echo "run failed in $1 (exit status $qa_status)" >&2
    cat "$1/console.log" >&2
    exit 1
  fi
}

printf '%-8s %-9s %-10s %14s %14s %9s %12s %12s\n' servers Delta intervals "ms/int 1 thr" "ms/int ${cores} thr" speed-up "peak 1 (MiB)" "peak ${cores} (MiB)"
for s in $series; do
  delta="$(awk -v s="$s" 'BEGIN {printf "%.17g", 0.25 * 20 / s}')"
  line=()
  for threads in 1 "$cores"; do
    # One cycle and five cycles: the difference is four plain cycles, without
    # the initialisation and the measured cycle's look-aheads.
    for cycles in 1 5; do
      dir="$work/s$s-t$threads-c$cycles"
      mkdir -p "$dir"
      config "$delta" "$cycles" >"$dir/CONFIG.DAT"
      instance "$s" >"$dir/inst_1.DAT"
      cp "$root/examples/basic/BINOMDIST.DAT" "$dir/"
      run "$dir" "$threads"
      ns[$cycles]="$qa_wall_ns"
      kb[$cycles]="$qa_peak_kb"
    done
    n="$(awk -F';' '$1 == "NUMBER OF INTERVALS IN CYCLE:" {print $2; exit}' "$dir/SUMMARY.CSV")"
    line+=("$(awk -v a="${ns[1]}" -v b="${ns[5]}" -v n="$n" 'BEGIN {printf "%.2f", (b - a) / 1e6 / (4 * n)}')")
    line+=("${kb[5]}")
  done
  awk -v s="$s" -v d="$delta" -v n="$n" -v t1="${line[0]}" -v tc="${line[2]}" -v m1="${line[1]}" -v mc="${line[3]}" \
    'BEGIN {printf "%-8d %-9.4g %-10d %14.2f %14.2f %8.2fx %12.1f %12.1f\n", s, d, n, t1, tc, t1 / tc, m1 / 1024, mc / 1024}'
done
