#!/usr/bin/env bash
# Builds the control and the file memory benchmark and runs it under Wine in
# a private prefix; prints the peak committed memory of each Save and Load
# as a multiple of the picture's bytes.
#   bench/files/run.sh [build-dir] [-- program arguments]
# The build folder defaults to <repo>/build/bench-win32 (configured with
# -DKORVIX_BENCH=ON). Needs about 1 GB of disk for the files it writes.
set -euo pipefail
# shellcheck source=../wine-bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine-bench.sh"
korvix_wine_bench_args "$@"
korvix_wine_bench_build "$root" "$build" korvixlite korvix_files_memory_bench
wine "$build/bench/files/korvix_files_memory_bench.exe" "$(winepath -w "$build/control/korvixlite.ocx")" \
  "${bench_args[@]}" | tr -d '\r'
