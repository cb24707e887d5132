#!/usr/bin/env bash
# The whole test suite: an optimised build (also installed and used as users
# use it) and an AddressSanitizer + UndefinedBehaviorSanitizer build, each
# built from scratch and run by ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$jobs"
(cd build/release && ctest -j"$jobs" --output-on-failure --timeout 600)
# Installed into a temporary prefix and used from outside the source tree.
bash scripts/test-install.sh build/release

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DSEABED_SANITIZE=address,undefined >/dev/null
cmake --build build/sanitize -j"$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest -j"$jobs" --output-on-failure --timeout 900)

# Queries from several threads, the shared random generator and overlapping
# generations and loads through the library's lock, under ThreadSanitizer.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEABED_SANITIZE=thread -DSEABED_BUILD_CLI=OFF >/dev/null
cmake --build build/tsan -j"$jobs" --target seabed_unit_tests seabed_host_tests
for tests in seabed_unit_tests seabed_host_tests; do
  TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/$tests --gtest_filter='*Thread*:*Concurrent*'
done

# Each libFuzzer target for 20 seconds (clang, its own build folder);
# scripts/fuzz.sh without arguments runs them for 10 minutes each.
bash scripts/fuzz.sh 20 "$jobs"

# The Windows DLL, cross-built and tested under Wine.
bash scripts/test-windows.sh
