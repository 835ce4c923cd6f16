# Sourced by the Windows benchmarks' run.sh: reads their arguments, builds
# targets in a Windows Release build with the benchmarks on, then starts a
# private prefix, Xvfb and wineserver for the run (stopped on exit).

#   korvix_wine_bench_args "$@"
# Reads the run scripts' [build-dir] [-- program arguments] into root (the
# repository), build (default <repo>/build/bench-win32) and bench_args.
korvix_wine_bench_args() {
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  build="$root/build/bench-win32"
  if [ $# -gt 0 ] && [ "$1" != "--" ]; then build="$(realpath -m "$1")"; shift; fi
  [ "${1:-}" = "--" ] && shift
  bench_args=("$@")
}

#   korvix_wine_bench_build <root> <build-dir> <target>...
korvix_wine_bench_build() {
  local root="$1" build="$2"
  shift 2
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKORVIX_BENCH=ON >/dev/null
  cmake --build "$build" --target "$@" -j "${KORVIX_JOBS:-2}" >/dev/null

  # shellcheck source=../tools/wine-env.sh
  source "$root/tools/wine-env.sh"
  trap korvix_wine_stop EXIT
  korvix_xvfb_start
  korvix_prefix_init "$build/wineprefix"
  korvix_wineserver_start
}
