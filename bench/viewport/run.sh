#!/usr/bin/env bash
# Builds the viewport benchmark in a Windows build and runs it under Wine in
# a private prefix; prints the times, ratios and memory of one run.
#   bench/viewport/run.sh [build-dir] [-- program arguments]
# The build folder defaults to <repo>/build/bench-win32 (-DKORVIX_BENCH=ON).
set -euo pipefail
# shellcheck source=../wine-bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine-bench.sh"
korvix_wine_bench_args "$@"
korvix_wine_bench_build "$root" "$build" korvix_viewport_bench
wine "$build/bench/viewport/korvix_viewport_bench.exe" "${bench_args[@]}" | tr -d '\r'
