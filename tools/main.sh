#!/usr/bin/env bash
# The main job: build the control and its installer packages (dist/),
# register it in a private Wine prefix, run the sample host with the control
# on its form, scan a page from the virtual scanner into it, save
# screenshots, save the shown picture as PNG and JPEG and load the PNG back
# into a second control; then show a large picture scrolled to its middle
# and save that screenshot too. Then the same control built 64-bit:
# registered in a WoW64 prefix, hosted by the sample host built 64-bit,
# scanning from the 32-bit virtual scanner through its helper process; its
# build also makes the package for 64-bit Windows, which holds both modules.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${KORVIX_JOBS:-$(nproc)}"
win="${KORVIX_WIN_BUILD:-$root/build/win32}"
win64="${KORVIX_WIN64_BUILD:-$root/build/win64}"
out="${KORVIX_OUT:-$root/out}"

"$root/tools/setup.sh"
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh"
trap korvix_wine_stop EXIT
korvix_windows_build "$root" "$win" "$jobs" win32

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
korvix_wineserver_stop

# The 64-bit module: 64-bit regsvr32, a 64-bit host. For this run the
# prefix's 64-bit source manager lists no source and the 32-bit one the
# 32-bit virtual scanner, as on a machine whose scanner driver is 32-bit
# only: the page comes through the helper, dist/x64/korvix_twain32.exe, which
# the 32-bit build put beside the 64-bit module.
korvix_windows_build "$root" "$win64" "$jobs" win64 -DKORVIX_WIN32_BUILD="$win"
"$KORVIX_WINE64" regsvr32 /s "$(winepath -w "$root/dist/x64/korvixlite.ocx")"
"$KORVIX_WINE64" reg delete 'HKCU\Software\Korvix\Twain' /f >/dev/null 2>&1 || true  # no remembered source
"$root/tools/with-sources.sh" "$win64/wineprefix" none "$root/dist/korvix_scanner.ds" \
  wine "$win64/samples/host/sample_host.exe" --scan \
  --title "Korvix sample host, 64-bit: a 32-bit source through korvix_twain32.exe" \
  --screenshot "$(winepath -w "$out/scan-x64.png")" --exit
echo "dist: $root/dist/x64/korvixlite.ocx $root/dist/x64/korvix_scanner.ds $root/dist/x64/korvix_twain32.exe" \
  "$root/dist/x64/korvixlite.msi"
echo "screenshots: $out/sample-host.png $out/scan.png $out/scroll-demo.png $out/scan-x64.png"
