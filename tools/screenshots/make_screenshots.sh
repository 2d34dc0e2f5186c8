#!/bin/sh
# Writes PNG pictures of the main window (progress at 0 %, 46 % and 100 %, with the step texts)
# and of the three installation dialogs into a folder for review.
#   tools/screenshots/make_screenshots.sh [OUTDIR] [BUILDDIR]
# OUTDIR defaults to build-screenshots/png, BUILDDIR to build-screenshots (both in the repository).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:-$root/build-screenshots}
out=${1:-$build/png}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$build" --target zov_screenshots -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/zov_screenshots" "$out"
