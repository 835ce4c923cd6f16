#!/usr/bin/env bash
# Builds the benchmarks (Release, no sanitizers) and runs them; each prints
# its own table of times and ratios measured in the same run.
#   bench/run.sh [build-dir]      (default: <repo>/build/bench)
# First the native programs, then the Windows (i686) build of the picture and
# viewport benchmarks under Wine in its own prefix (<build-dir>-win32): the
# users' control is 32-bit. The region benchmark has its own script
# (bench/region/run.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/bench}"
win="$build-win32"
jobs="${KORVIX_JOBS:-2}"

"$root/tools/setup.sh" bench

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVIX_SANITIZE=OFF -DKORVIX_BENCH=ON >/dev/null
cmake --build "$build" --target korvix_picture24_bench -j "$jobs" >/dev/null
echo "== picture24 (native, $(uname -m))"
"$build/bench/picture24/korvix_picture24_bench"

# shellcheck source=../tools/wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_xvfb_start
korvix_prefix_init "$win/wineprefix"
korvix_wineserver_start
cmake -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKORVIX_BENCH=ON >/dev/null
cmake --build "$win" --target korvix_picture24_bench korvix_viewport_bench -j "$jobs" >/dev/null
echo "== picture24 (i686 Windows build, under Wine)"
wine "$win/bench/picture24/korvix_picture24_bench.exe" | tr -d '\r'
echo "== viewport (i686 Windows build, under Wine)"
wine "$win/bench/viewport/korvix_viewport_bench.exe" | tr -d '\r'
