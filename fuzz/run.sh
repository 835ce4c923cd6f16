#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan/UBSan) in build/fuzz and
# runs each one from a scratch copy of its seed corpus:
#   fuzz/run.sh --seconds S    each target for S seconds (the test command's short run)
#   fuzz/run.sh --runs N       each target for N executions (bench/fuzz.sh)
# Prints one line per target: executions, crashes, seconds. Any crash fails
# the script; the input that crashed is kept in build/fuzz/artifacts/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KORVIX_FUZZ_BUILD:-$root/build/fuzz}"
case "${1:-}" in
  --seconds) limit=(-max_total_time="$2") ;;
  --runs) limit=(-runs="$2") ;;
  *) echo "usage: $0 --seconds S | --runs N" >&2; exit 2 ;;
esac

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "${KORVIX_JOBS:-2}" >/dev/null

mkdir -p "$build/artifacts"
# Inputs kept for a crash, leak or hang of a target. Slow units are left out:
# on a shared, loaded machine any input can stall for seconds, which is also
# why a hang is an input that runs for 30 s (one record takes milliseconds).
failures() { find "$build/artifacts" -name "$1-*" ! -name "$1-slow-unit-*" | wc -l; }
failed=0
printf '%-26s %12s %8s %8s\n' target executions crashes seconds
for source in "$root"/fuzz/*_fuzzer.cpp; do
  target="$(basename "$source" .cpp)"
  work="$build/work/$target"
  rm -rf "$work" && mkdir -p "$work"
  if [ -d "$root/fuzz/corpus/$target" ]; then cp "$root/fuzz/corpus/$target"/* "$work"/; fi
  log="$build/$target.log"
  before=$(failures "$target")
  start=$(date +%s%N)
  status=0
  "$build/$target" "${limit[@]}" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$work" >"$log" 2>&1 || status=$?
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  crashes=$(( $(failures "$target") - before ))
  printf '%-26s %12s %8s %6d.%d\n' "$target" "${runs:-?}" "$crashes" $((ms / 1000)) $((ms % 1000 / 100))
  if [ "$status" != 0 ] || [ "$crashes" != 0 ]; then
    failed=1
    tail -40 "$log" >&2
  fi
done
exit "$failed"
