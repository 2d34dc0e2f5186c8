#!/bin/sh
# Builds the update benchmark optimised and runs it. Usage: bench/run_update_bench.sh [build dir]
# Every figure it prints is a ratio against a baseline measured in the same run (cp -r, curl,
# the file size, the smaller text). Needs cp and curl; uses about 1 GB in the temporary folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZOV_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target update_bench
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/update_bench"
