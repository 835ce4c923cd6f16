#!/usr/bin/env bash
# Builds the benchmarks (Release, no sanitizers) and runs them; each prints
# its own table of times and ratios measured in the same run.
#   bench/run.sh [build-dir]      (default: <repo>/build/bench)
# First the native programs, then the Windows (i686) build of the picture and
# viewport benchmarks under Wine in its own prefix (<build-dir>-win32), then
# the x86_64 build of the picture benchmark in a WoW64 prefix
# (<build-dir>-win64), compared with the native figures, and a Rotate90 of a
# 1200-dpi A4 page in both Windows builds. The region benchmark has its own
# script (bench/region/run.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/bench}"
win="$build-win32"
win64="$build-win64"
jobs="${KORVIX_JOBS:-2}"
export KORVIX_JOBS="$jobs"

"$root/tools/setup.sh" bench

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVIX_SANITIZE=OFF -DKORVIX_BENCH=ON >/dev/null
cmake --build "$build" --target korvix_picture24_bench -j "$jobs" >/dev/null
echo "== picture24 (native, $(uname -m))"
native_table="$(mktemp)"
"$build/bench/picture24/korvix_picture24_bench" | tee "$native_table"

# shellcheck source=wine-bench.sh
source "$root/bench/wine-bench.sh"
korvix_wine_bench_build "$root" "$win" korvix_picture24_bench korvix_viewport_bench korvix_large_rotate_bench
echo "== picture24 (i686 Windows build, under Wine)"
wine "$win/bench/picture24/korvix_picture24_bench.exe" | tr -d '\r'
echo "== viewport (i686 Windows build, under Wine)"
wine "$win/bench/viewport/korvix_viewport_bench.exe" | tr -d '\r'
echo "== Rotate90 of a 1200-dpi A4 page (i686 Windows build, under Wine)"
wine "$win/bench/picture24/korvix_large_rotate_bench.exe" | tr -d '\r' || true

korvix_wine_bench_build_for win64 "$root" "$win64" korvix_picture24_bench korvix_large_rotate_bench
echo "== picture24 (x86_64 Windows build, under Wine in a WoW64 prefix)"
x64_table="$(mktemp)"
wine "$win64/bench/picture24/korvix_picture24_bench.exe" | tr -d '\r' | tee "$x64_table"
echo "== x86_64 under Wine against native x86-64, ratios to memcpy of each run (target: at most 1.2 x)"
"$root/bench/compare_ratios.sh" "$native_table" "$x64_table"
rm -f "$native_table" "$x64_table"
echo "== Rotate90 of a 1200-dpi A4 page (x86_64 Windows build, under Wine)"
wine "$win64/bench/picture24/korvix_large_rotate_bench.exe" | tr -d '\r'
