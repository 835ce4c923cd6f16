#!/usr/bin/env bash
# Builds the Windows region benchmark and runs it under Wine in a private
# prefix; prints times and the ratio measured in this run.
#   bench/region/run.sh [build-dir] [-- program arguments]
# The build folder defaults to <repo>/build/bench-win32 (configured with
# -DKORVIX_BENCH=ON). Exit status: the program's (non-zero when the regions
# differ).
set -euo pipefail
# shellcheck source=../wine-bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine-bench.sh"
korvix_wine_bench_args "$@"
korvix_wine_bench_build "$root" "$build" korvix_region_bench
wine "$build/bench/region/korvix_region_bench.exe" "${bench_args[@]}" | tr -d '\r'
