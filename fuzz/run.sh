#!/usr/bin/env bash
# Fuzzes the table engine: builds the libFuzzer targets with clang under AddressSanitizer and
# UBSan, writes a small seed corpus with the engine itself, and runs each target for a bounded
# time (FUZZ_SECONDS, default 60). A crash, a sanitizer report or an input that takes longer
# than 10 s fails the run; libFuzzer leaves the input in $build/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD_DIR:-build/fuzz}
jobs=${FUZZ_JOBS:-$(nproc)}

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j "$jobs" --target fuzz_dbf_table fuzz_ntx_index make_seeds

scratchBase=${TMPDIR:-/tmp}
[ -d /dev/shm ] && scratchBase=/dev/shm  # the targets write their inputs as files: keep them in memory
scratch=$(mktemp -d "$scratchBase/zov-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export ZOV_FUZZ_SCRATCH=$scratch

rm -rf "$build/corpus"
"$build/make_seeds" "$build/corpus"
mkdir -p "$build/findings"

passed=0
for target in fuzz_dbf_table fuzz_ntx_index; do
  echo "== $target: ${seconds} s"
  "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-" "$build/corpus/$target"
  passed=$((passed + 1))
done
echo "fuzz: all $passed targets ran clean"
