#!/usr/bin/env bash
# The main job: build the control and its installer package (dist/),
# register it in a private Wine prefix, run the sample host with the control
# on its form, scan a page from the virtual scanner into it, save
# screenshots, save the shown picture as PNG and JPEG and load the PNG back
# into a second control; then show a large picture scrolled to its middle
# and save that screenshot too.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${KORVIX_JOBS:-$(nproc)}"
win="${KORVIX_WIN_BUILD:-$root/build/win32}"
out="${KORVIX_OUT:-$root/out}"

"$root/tools/setup.sh"
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_windows_build "$root" "$win" "$jobs"

mkdir -p "$out"
wine regsvr32 /s "$(winepath -w "$root/dist/korvixlite.ocx")"
wine "$win/samples/host/sample_host.exe" --screenshot "$(winepath -w "$out/sample-host.png")" \
  --save-files "$(winepath -w "$out")" --exit
# A page scanned from the virtual scanner (the prefix's TWAIN source), shown in the control.
wine "$win/samples/host/sample_host.exe" --scan --screenshot "$(winepath -w "$out/scan.png")" \
  --save-files "$(winepath -w "$out")" --exit
echo "dist: $root/dist/korvixlite.ocx $root/dist/korvix_scanner.ds $root/dist/korvixlite.msi"
echo "files: $out/sample-picture.png $out/sample-picture.jpg $out/scanned-page.png $out/scanned-page.jpg"
# A large picture: an A4 page at 600 dpi scrolled to its middle.
wine "$win/samples/host/sample_host.exe" --scroll-demo --screenshot "$(winepath -w "$out/scroll-demo.png")" --exit
echo "screenshots: $out/sample-host.png $out/scan.png $out/scroll-demo.png"
