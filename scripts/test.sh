#!/usr/bin/env bash
# The whole test suite: installs what is missing, runs the table engine's fuzzers for a bounded
# time, builds and runs every test through CTest, then the same suite under AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

run_suite() {  # build dir, extra cmake args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DZOV_BUILD_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

fuzz/run.sh
run_suite build/test
run_suite build/asan -DZOV_SANITIZE=ON
