#!/usr/bin/env bash
# Runs a built Windows program under Wine in the given private prefix,
# creating the prefix on first use: 32-bit, or WoW64 when KORVIX_WINEARCH is
# win64 (each build tree's own launcher, build/*/wine-exec.sh, says which).
# Used as CMake's cross-compiling emulator.
#   wine-exec.sh <prefix> <program.exe> [args...]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
prefix="$1"; shift
korvix_prefix_init "$prefix" "${KORVIX_WINEARCH:-win32}"
exec wine "$@"
