#!/usr/bin/env bash
# Builds the control, the virtual scanner and the scan benchmark, installs the
# scanner as the TWAIN source of a private prefix and runs the benchmark under
# Wine; it prints its times, ratios and memory peaks measured in this run.
# Then the 64-bit module, in a WoW64 prefix with a virtual scanner of each
# bitness: the same figures in-process and through its helper (the 32-bit
# build's helper that notes its transfer-ready moment, beside a copy of the
# module), and a 1200-dpi page through the helper.
#   bench/scan/run.sh [build-dir] [-- program arguments]
# The build folders default to <repo>/build/bench-win32 and bench-win64
# (-DKORVIX_BENCH=ON).
set -euo pipefail
# shellcheck source=../wine-bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine-bench.sh"
korvix_wine_bench_args "$@"
"$root/tools/setup.sh"
korvix_wine_bench_build "$root" "$build" korvix_scan_bench korvix_timing_helper
korvix_install_scanner "$build"
echo "== the 32-bit module"
wine "$build/bench/scan/korvix_scan_bench.exe" "$build/control/korvixlite.ocx" "${bench_args[@]}" | tr -d '\r'

build64="$(dirname "$build")/bench-win64"
korvix_wine_bench_build_for win64 "$root" "$build64" korvix_scan_bench
sides="$build64/bench/scan/sides"
mkdir -p "$sides"
cp "$build64/control/korvixlite.ocx" "$sides/"
cp "$build/bench/scan/korvix_timing_helper.exe" "$sides/korvix_twain32.exe"
echo "== the 64-bit module"
"$root/tools/with-sources.sh" "$build64/wineprefix" "$build64/twain/korvix_scanner.ds" "$build/twain/korvix_scanner.ds" \
  wine "$build64/bench/scan/korvix_scan_bench.exe" "$sides/korvixlite.ocx" --sides "${bench_args[@]}" | tr -d '\r'
