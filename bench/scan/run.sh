#!/usr/bin/env bash
# Builds the control, the virtual scanner and the scan benchmark, installs the
# scanner as the TWAIN source of a private prefix and runs the benchmark under
# Wine; it prints its times, ratios and memory peaks measured in this run.
#   bench/scan/run.sh [build-dir] [-- program arguments]
# The build folder defaults to <repo>/build/bench-win32 (-DKORVIX_BENCH=ON).
set -euo pipefail
# shellcheck source=../wine-bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine-bench.sh"
korvix_wine_bench_args "$@"
"$root/tools/setup.sh"
korvix_wine_bench_build "$root" "$build" korvix_scan_bench
korvix_install_scanner "$build"
wine "$build/bench/scan/korvix_scan_bench.exe" "$build/control/korvixlite.ocx" "${bench_args[@]}" | tr -d '\r'
