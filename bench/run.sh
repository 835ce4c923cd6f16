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
export KORVIX_JOBS="$jobs"

"$root/tools/setup.sh" bench

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVIX_SANITIZE=OFF -DKORVIX_BENCH=ON >/dev/null
cmake --build "$build" --target korvix_picture24_bench -j "$jobs" >/dev/null
echo "== picture24 (native, $(uname -m))"
"$build/bench/picture24/korvix_picture24_bench"

# shellcheck source=wine-bench.sh
source "$root/bench/wine-bench.sh"
korvix_wine_bench_build "$root" "$win" korvix_picture24_bench korvix_viewport_bench
echo "== picture24 (i686 Windows build, under Wine)"
wine "$win/bench/picture24/korvix_picture24_bench.exe" | tr -d '\r'
echo "== viewport (i686 Windows build, under Wine)"
wine "$win/bench/viewport/korvix_viewport_bench.exe" | tr -d '\r'
