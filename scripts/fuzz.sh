#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz, makes the seed corpus with the
# library's own test files, and runs every target for SECONDS each (default
# 600), JOBS at a time (default 2). Inputs the fuzzers find interesting
# collect in build/fuzz/corpus/<target>; a crash or failed oracle stops the
# script with the input saved as build/fuzz/artifacts/<target>-crash-*.
# Usage: scripts/fuzz.sh [SECONDS] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
jobs=${2:-2}
build=build/fuzz

cmake -S . -B $build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DSEABED_SANITIZE=address,undefined -DSEABED_BUILD_FUZZERS=ON -DSEABED_BUILD_TESTS=OFF -DSEABED_BUILD_CLI=OFF >/dev/null
targets=(load generate query_3d query_2d)
cmake --build $build -j"$jobs" --target seabed_fuzz_seeds "${targets[@]/%/_fuzzer}"

rm -rf $build/seeds
$build/fuzz/seabed_fuzz_seeds $build/seeds
mkdir -p $build/artifacts

run() {
  local target=$1 rc=0
  mkdir -p $build/corpus/$target
  # -timeout: one input running 20 s is a hang; -rss_limit_mb: the largest
  # block a loader trusts (64 MB) a few times over, plus the sanitizers'
  # share; -max_len: 3000 3D nodes, and files of a few thousand records.
  $build/fuzz/${target}_fuzzer $build/corpus/$target $build/seeds/$target -max_total_time="$seconds" \
    -timeout=20 -rss_limit_mb=2560 -max_len=65536 -print_final_stats=1 -artifact_prefix=$build/artifacts/$target- \
    >$build/$target.log 2>&1 || rc=$?
  echo "$target: $(grep -m1 'stat::number_of_executed_units' $build/$target.log | awk '{print $2}') executions," \
       "exit $rc"
  return $rc
}

status=0
pids=()
for target in "${targets[@]}"; do
  run "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
if [ $status -ne 0 ]; then
  echo "a fuzz target failed; see $build/<target>.log" >&2
fi
exit $status
