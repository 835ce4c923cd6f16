#!/usr/bin/env bash
# Runs every test: the portable logic natively (sanitizers), then the Windows
# modules and their tests under Wine: the 32-bit one in a 32-bit prefix, the
# 64-bit one in a WoW64 prefix (where it is also registered beside the
# 32-bit one). Installs what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${KORVIX_JOBS:-$(nproc)}"
native="${KORVIX_NATIVE_BUILD:-$root/build/native}"
win="${KORVIX_WIN_BUILD:-$root/build/win32}"
win64="${KORVIX_WIN64_BUILD:-$root/build/win64}"

start=$(date +%s)
"$root/tools/setup.sh"

echo "== native build and tests"
cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Debug -DKORVIX_SANITIZE=ON >/dev/null
cmake --build "$native" -j "$jobs"
ctest --test-dir "$native" --output-on-failure -j "$jobs"

echo "== fuzz targets (libFuzzer, ASan/UBSan): a short run each"
KORVIX_JOBS="$jobs" "$root/fuzz/run.sh" --seconds "${KORVIX_FUZZ_SECONDS:-12}"

echo "== 32-bit Windows build and tests under Wine"
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_windows_build "$root" "$win" "$jobs" win32
ctest --test-dir "$win" --output-on-failure --timeout 600
korvix_wineserver_stop

echo "== 64-bit Windows build and tests under Wine (WoW64 prefix)"
# The side-by-side suite registers the 32-bit module built above beside the
# 64-bit one; the x64 package holds both, with the rows harvested above.
korvix_windows_build "$root" "$win64" "$jobs" win64 -DKORVIX_WIN32_BUILD="$win"
ctest --test-dir "$win64" --output-on-failure --timeout 600

echo "== all tests passed in $(( $(date +%s) - start )) s"
