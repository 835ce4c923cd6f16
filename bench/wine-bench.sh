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

#   korvix_wine_bench_build <root> <build-dir> <target>...          (i686, 32-bit prefix)
#   korvix_wine_bench_build_for win64 <root> <build-dir> <target>...  (x86_64, WoW64 prefix)
korvix_wine_bench_build() { korvix_wine_bench_build_for win32 "$@"; }

korvix_wine_bench_build_for() {
  local arch="$1" root="$2" build="$3"
  shift 3
  # shellcheck source=../tools/wine-env.sh
  source "$root/tools/wine-env.sh"
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$(korvix_toolchain "$root" "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DKORVIX_BENCH=ON >/dev/null
  cmake --build "$build" --target "$@" -j "${KORVIX_JOBS:-2}" >/dev/null

  trap korvix_wine_stop EXIT
  korvix_xvfb_start
  korvix_wineserver_stop  # a prefix of an earlier build in this run
  korvix_prefix_init "$build/wineprefix" "$arch"
  korvix_wineserver_start
}
