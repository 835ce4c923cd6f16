#!/usr/bin/env bash
# Builds the control, the virtual scanner and the scan benchmark, installs the
# scanner as the TWAIN source of a private prefix and runs the benchmark under
# Wine; it prints its times, ratios and memory peaks measured in this run.
#   bench/scan/run.sh [build-dir] [-- program arguments]
# The build folder defaults to <repo>/build/bench-win32 (-DKORVIX_BENCH=ON).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/bench-win32"
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build="$(realpath -m "$1")"; shift; fi
[ "${1:-}" = "--" ] && shift

"$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKORVIX_BENCH=ON >/dev/null
cmake --build "$build" --target korvix_scan_bench -j "${KORVIX_JOBS:-2}" >/dev/null

# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_xvfb_start
korvix_prefix_init "$build/wineprefix"
korvix_install_scanner "$build"
korvix_wineserver_start
wine "$build/bench/scan/korvix_scan_bench.exe" "$build/control/korvixlite.ocx" "$@" | tr -d '\r'
