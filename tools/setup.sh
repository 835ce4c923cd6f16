#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent and
# quick when everything is present. Pass "bench" to add the benchmark's extras.
set -euo pipefail

want_bench=0
[ "${1:-}" = "bench" ] && want_bench=1

missing=()
need() { # need <command-or-file> <package>
  if [[ "$1" == /* ]]; then [ -e "$1" ] || missing+=("$2")
  else command -v "$1" >/dev/null 2>&1 || missing+=("$2"); fi
}
need cmake cmake
need g++ g++
need make make
need i686-w64-mingw32-g++-posix mingw-w64
need i686-w64-mingw32-widl mingw-w64-tools
need /usr/include/wine/wine/windows/oaidl.idl libwine-dev
need /usr/lib/i386-linux-gnu/wine/i386-windows/stdole2.tlb wine32:i386
need wine wine
need /usr/lib/i386-linux-gnu/libgphoto2.so.6 libgphoto2-6:i386
need /usr/lib/wine/wine64 wine64
need Xvfb xvfb
need xauth xauth
need /usr/src/googletest/CMakeLists.txt googletest
need /usr/include/gtest/gtest.h libgtest-dev
need /usr/include/benchmark/benchmark.h libbenchmark-dev
need flock util-linux
need clang++ clang
need wixl wixl
need /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev
if [ "$want_bench" = 1 ]; then need /usr/bin/convert-im6.q16 imagemagick; fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${missing[*]}" >&2
if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
pkgs=(cmake g++ make mingw-w64 mingw-w64-tools libwine-dev wine wine32:i386 libgphoto2-6:i386 wine64 xvfb xauth
      googletest libgtest-dev libbenchmark-dev util-linux clang libclang-rt-14-dev wixl)
[ "$want_bench" = 1 ] && pkgs+=(imagemagick)
$SUDO apt-get install -y -qq "${pkgs[@]}" >/dev/null
