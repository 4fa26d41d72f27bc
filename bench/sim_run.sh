#!/usr/bin/env bash
# Builds the analyzer libraries in Release, compiles bench/sim_bench.cpp
# against them, and prints the simulation figures of the benchmark instance:
# simulated events per second, and the model's processor time beside that of
# a simulation precise to 1 % (95 % confidence) on the average queue.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QA_BENCH_BUILD:-$root/build-bench}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target analyzer_app -j4 >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/qa-sim-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
libs=()
for lib in app report simulation model input; do libs+=("$build/analyzer/$lib/libanalyzer_$lib.a"); done
g++ -std=c++20 -O2 -Wall -Wextra -ffp-contract=off -I"$root" "$root/bench/sim_bench.cpp" "${libs[@]}" \
  "$build/kernel/libkernel.a" -o "$work/sim_bench"

cp "$root/bench/CONFIG.DAT" "$root/bench/inst_1.DAT" "$work/"
cp "$root/examples/basic/BINOMDIST.DAT" "$work/"
cd "$work"
./sim_bench </dev/null
