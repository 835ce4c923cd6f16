#!/usr/bin/env bash
# Builds the native benchmarks (Release, no sanitizers) and runs them; each
# prints its own table of times and ratios measured in the same run.
#   bench/run.sh [build-dir]      (default: <repo>/build/bench)
# Windows-only benchmarks have their own scripts (bench/region/run.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/bench}"

"$root/tools/setup.sh" bench

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVIX_SANITIZE=OFF -DKORVIX_BENCH=ON >/dev/null
programs=(picture24/korvix_picture24_bench)
targets=()
for p in "${programs[@]}"; do targets+=("$(basename "$p")"); done
cmake --build "$build" --target "${targets[@]}" -j "${KORVIX_JOBS:-2}" >/dev/null

for p in "${programs[@]}"; do
  echo "== $p"
  "$build/bench/$p"
done
