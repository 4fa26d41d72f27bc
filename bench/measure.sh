# Shared by the benchmark scripts (sourced): builds the analyzer in Release
# and runs it in a working directory, measuring wall time and peak memory.

# qa_build ROOT BUILD_DIR: configures and builds; sets qa_binary.
qa_build() {
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DQA_BUILD_TESTS=OFF >/dev/null
  cmake --build "$2" --target queue-analyzer -j"$(nproc)" >/dev/null
  qa_binary="$2/queue-analyzer"
}

# qa_measure DIR: runs qa_binary in DIR with standard input at end of file
# and the console in DIR/console.log; sets qa_status (exit status), qa_wall_ns
# (wall time) and qa_peak_kb (maximum resident set size).
qa_measure() {
  local dir="$1" start
  qa_status=0
  start="$(date +%s%N)"
  if [ -x /usr/bin/time ]; then
    (cd "$dir" && /usr/bin/time -f %M -o time.log "$qa_binary" </dev/null >console.log) || qa_status=$?
    qa_peak_kb="$(tail -n 1 "$dir/time.log")"
  else
    # Without GNU time: poll the peak resident set size (VmHWM) of the process
    # until it ends; the peak only grows, so the last reading is the peak.
    (cd "$dir" && exec "$qa_binary" </dev/null >console.log) &
    local pid=$! hwm
    qa_peak_kb=0
    while kill -0 "$pid" 2>/dev/null; do
      hwm="$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)"
      [ -n "$hwm" ] && qa_peak_kb="$hwm"
      sleep 0.02
    done
    wait "$pid" || qa_status=$?
  fi
  qa_wall_ns="$(( $(date +%s%N) - start ))"
}

# qa_measure_best DIR: qa_measure repeated QA_BENCH_REPEAT times (3 by
# default); keeps the shortest wall time, since other work on the machine only
# ever adds to it, and the largest peak memory. Stops at a failed run.
qa_measure_best() {
  local best_ns="" best_kb=0 i
  for ((i = 0; i < ${QA_BENCH_REPEAT:-3}; i++)); do
    qa_measure "$1"
    [ "$qa_status" -ne 0 ] && return
    if [ -z "$best_ns" ] || [ "$qa_wall_ns" -lt "$best_ns" ]; then best_ns="$qa_wall_ns"; fi
    if [ "$qa_peak_kb" -gt "$best_kb" ]; then best_kb="$qa_peak_kb"; fi
  done
  qa_wall_ns="$best_ns"
  qa_peak_kb="$best_kb"
}
