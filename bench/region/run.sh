#!/usr/bin/env bash
# Builds the Windows region benchmark and runs it under Wine in a private
# prefix; prints times and the ratio measured in this run.
#   bench/region/run.sh [build-dir] [-- program arguments]
# The build folder defaults to <repo>/build/bench-win32 (configured with
# -DKORVIX_BENCH=ON). Exit status: the program's (non-zero when the regions
# differ).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build/bench-win32}"
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKORVIX_BENCH=ON >/dev/null
cmake --build "$build" --target korvix_region_bench -j "${KORVIX_JOBS:-2}" >/dev/null

# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_xvfb_start
korvix_prefix_init "$build/wineprefix"
korvix_wineserver_start
wine "$build/bench/region/korvix_region_bench.exe" "$@" | tr -d '\r'
