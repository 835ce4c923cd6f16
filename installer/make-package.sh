#!/usr/bin/env bash
# Builds the control's Windows Installer package with wixl from
# installer/korvixlite.wxs and the registry rows harvested from the module.
#   make-package.sh <dist dir> <harvest dir> <output.msi> [product version]
# The dist dir holds korvixlite.ocx and korvix_scanner.ds; the harvest dir
# holds control32-registry.wxi and control32.version (harvest_registration).
# The version defaults to the module's version block.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dist="$(cd "$1" && pwd)"
harvest="$(cd "$2" && pwd)"
output="$3"
version="${4:-$(tr -d '\r\n' <"$harvest/control32.version")}"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+(\.[0-9]+)?$ ]] || { echo "make-package: bad version '$version'" >&2; exit 1; }
mkdir -p "$(dirname "$output")"
output="$(cd "$(dirname "$output")" && pwd)/$(basename "$output")"

# wixl 0.101 finds sources only by paths relative to its working folder.
cd "$dist"
wixl --arch x86 -I "$harvest" \
  -D Control32=korvixlite.ocx -D Scanner32=korvix_scanner.ds -D ProductVersion="$version" \
  -o "$output.tmp" "$here/korvixlite.wxs"
mv -f "$output.tmp" "$output"
