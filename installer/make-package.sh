#!/usr/bin/env bash
# Builds one of the control's Windows Installer packages with wixl from
# installer/korvixlite.wxs and the fragment of its kind (package-x86.wxs,
# package-x64.wxs), with the registry rows harvested from each module.
#   make-package.sh <x86|x64> <output.msi> <Name>=<path>...
# The names are korvixlite.wxs's variables, each naming a file to install:
#   x86 and x64: Control32, Scanner32; Rows32, the folder that holds
#                control32-registry.wxi and control32.version
#   x64 also:    Control64, Helper32, Scanner64; Rows64, the same for the
#                64-bit module
# and ProductVersion, which defaults to the 32-bit module's version block.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
kind="$1" output="$2"
shift 2
die() { echo "make-package: $*" >&2; exit 1; }
case "$kind" in
  x86) needed=(Control32 Scanner32 Rows32) ;;
  x64) needed=(Control32 Scanner32 Rows32 Control64 Helper32 Scanner64 Rows64) ;;
  *) die "unknown package kind '$kind' (x86 or x64)" ;;
esac

declare -A input=()
for pair in "$@"; do
  [[ "$pair" == *=* ]] || die "expected Name=path, got '$pair'"
  input["${pair%%=*}"]="${pair#*=}"
done
for name in "${needed[@]}"; do
  [ -e "${input[$name]:-}" ] || die "$name: '${input[$name]:-}' is missing (is its build tree built?)"
done

module_version() { tr -d '\r\n' <"${input[Rows$1]}/control$1.version"; }
# Both modules come from one source; versions that differ mean a stale tree.
if [ "$kind" = x64 ] && [ "$(module_version 32)" != "$(module_version 64)" ]; then
  die "the 32-bit module is version $(module_version 32), the 64-bit one $(module_version 64): rebuild both trees"
fi
version="${input[ProductVersion]:-$(module_version 32)}"
[[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)(\.[0-9]+)?$ ]] || die "bad version '$version'"
# Windows Installer tells products apart by the first three fields only.
(( BASH_REMATCH[1] <= 255 && BASH_REMATCH[2] <= 255 && BASH_REMATCH[3] < 65535 )) || die "version '$version' out of range"
next_build="${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.$((BASH_REMATCH[3] + 1))"

mkdir -p "$(dirname "$output")"
output="$(cd "$(dirname "$output")" && pwd)/$(basename "$output")"
# wixl 0.101 finds sources only by paths relative to its working folder,
# which is the output's.
work="$(dirname "$output")"
args=(--arch "$kind" -D ProductVersion="$version" -D NextBuild="$next_build")
for name in "${needed[@]}"; do
  case "$name" in
    Rows*) args+=(-I "$(realpath "${input[$name]}")") ;;
    *) args+=(-D "$name=$(realpath --relative-to="$work" "${input[$name]}")") ;;
  esac
done
cd "$work"
wixl "${args[@]}" -o "$output.tmp" "$here/korvixlite.wxs" "$here/package-$kind.wxs"
mv -f "$output.tmp" "$output"
