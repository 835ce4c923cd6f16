#!/usr/bin/env bash
# Builds the viewport benchmark in a Windows build and runs it under Wine in
# a private prefix; prints the times, ratios and memory of one run.
#   bench/viewport/run.sh [build-dir]     (default: <repo>/build/bench-win32)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build/bench-win32}"

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKORVIX_BENCH=ON >/dev/null

# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_xvfb_start
korvix_prefix_init "$build/wineprefix"
korvix_wineserver_start
cmake --build "$build" --target korvix_viewport_bench -j "${KORVIX_JOBS:-2}" >/dev/null
wine "$build/bench/viewport/korvix_viewport_bench.exe" | tr -d '\r'
