#!/usr/bin/env bash
# Builds the viewport benchmark in a Windows build and runs it under Wine in
# a private prefix; prints the times, ratios and memory of one run.
#   bench/viewport/run.sh [build-dir]     (default: <repo>/build/bench-win32)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build/bench-win32}"

# shellcheck source=../wine-bench.sh
source "$root/bench/wine-bench.sh"
korvix_wine_bench_build "$root" "$build" korvix_viewport_bench
wine "$build/bench/viewport/korvix_viewport_bench.exe" | tr -d '\r'
