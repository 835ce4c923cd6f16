# Sourced by the Windows benchmarks' run.sh: builds targets in a Windows
# Release build with the benchmarks on, then starts a private prefix, Xvfb and
# wineserver for the run (stopped on exit).
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
