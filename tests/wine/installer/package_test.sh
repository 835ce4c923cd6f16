#!/usr/bin/env bash
# dist/korvixlite.msi under Wine, in a 64-bit (WoW64) prefix of its own and
# with the 64-bit msiexec, as on 64-bit Windows:
#   - an older package (the same source, a lower version) installs silently,
#     the 32-bit control lands in SysWOW64 with its keys in the 32-bit view,
#     the virtual scanner (off by default) does not, and a 32-bit script
#     creates and uses Korvix.Twain;
#   - the current package upgrades it in place with the scanner chosen, and a
#     script scans from it; the older package then refuses to downgrade;
#   - a repair puts back a deleted module and a deleted key;
#   - uninstall leaves no file and HKEY_CLASSES_ROOT (both views) exactly as
#     before the first install;
#   - the keys the package wrote are the keys the module's own
#     DllRegisterServer writes (regsvr32), so the two cannot drift.
#   package_test.sh <source root> <dist dir> <harvest dir> <work dir>
set -uo pipefail
root="$1" dist="$2" harvest="$3" work="$4"
# shellcheck source=../../../tools/wine-env.sh
source "$root/tools/wine-env.sh"

clsid='{CB8D520D-E46A-4059-B779-135030ADEFEE}'
names_the_control="$clsid|Korvix\\.Twain|CD9BF7A1-9733-4061-BF2F-DF2FFBAA705C|8F53E9FE-B49F-4262-B08D-B82103AD4DEE|23BDACDB-285A-4F9B-BE8E-9BB0B16E644F"
picture="$root/control/resources/toolbox.bmp"  # 16 x 15
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "== $*"; }
die() { echo "FAIL: $*"; exit 1; }

# A prefix left by a run that failed may hold the product: start afresh then.
prefix="$work/wineprefix"
mkdir -p "$work"
[ -e "$work/dirty" ] && rm -rf "$prefix"
touch "$work/dirty"
korvix_prefix_init "$prefix" win64
trap 'wineserver -k >/dev/null 2>&1' EXIT
korvix_wineserver_start
drive_c="$prefix/drive_c"
syswow64="$drive_c/windows/syswow64"
twain32="$drive_c/windows/twain_32"

winpath() { winepath -w "$1" 2>/dev/null; }
msiexec64() { "$KORVIX_WINE64" msiexec "$@" </dev/null >"$work/msiexec.log" 2>&1; }

# HKEY_CLASSES_ROOT of one view as sorted lines: each key, and each value
# prefixed with its key, continuation lines joined.
export_classes() { # export_classes <32|64> <out>
  "$KORVIX_WINE64" reg export HKCR "$(winpath "$work/export.reg")" "/reg:$1" /y >/dev/null 2>&1 \
    || die "reg export of the $1-bit view failed"
  iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' | awk '
    held != "" { sub(/^ +/, ""); $0 = held $0; held = "" }
    /\\$/ { held = substr($0, 1, length($0) - 1); next }
    /^\[/ { key = $0; print key; next }
    NF && key != "" { print key "\t" $0 }' | LC_ALL=C sort >"$2"
}
added() { LC_ALL=C comm -13 "$1" "$2"; }

run_script() { # run_script <name> [scan]: a 32-bit cscript, as a 32-bit host
  wine cscript //nologo "$(winpath "$root/tests/wine/installer/use_control.vbs")" "$(winpath "$picture")" \
    "$(winpath "$work/$1.bmp")" ${2:+scan} </dev/null 2>/dev/null | tr -d '\r' >"$work/$1.out"
}
expect_script() { # expect_script <name> <expected output>
  if [ "$(cat "$work/$1.out")" != "$2" ]; then
    fail "$1: the script printed [$(tr '\n' '|' <"$work/$1.out")], expected [$(tr '\n' '|' <<<"$2")]"
  elif [ "$(head -c 2 "$work/$1.bmp" 2>/dev/null)" != "BM" ]; then
    fail "$1: the script's Save wrote no bitmap"
  fi
}
products() { grep -c '"ProductName"="Korvix Twain Control"' "$1"; }

old_msi="$work/korvixlite-0.9.msi"
"$root/installer/make-package.sh" "$dist" "$harvest" "$old_msi" 0.9.0.0 || die "cannot build the older package"
msi="$(winpath "$dist/korvixlite.msi")"
old="$(winpath "$old_msi")"
cp "$twain32/sane.ds" "$work/sane.ds.placeholder"

step "before: the control cannot be created; HKEY_CLASSES_ROOT in both views"
# Wine registers the script host's own type library on cscript's first run,
# and creates the installer's registry roots on the first install (Windows
# has both from the start): let that happen before the snapshot.
run_script uninstalled
grep -q "CreateObject failed" "$work/uninstalled.out" || fail "Korvix.Twain was creatable before the install"
for root_key in Features Products UpgradeCodes; do
  "$KORVIX_WINE64" reg add "HKCR\\Installer\\$root_key" /f >/dev/null 2>&1
done
export_classes 32 "$work/before32"
export_classes 64 "$work/before64"

step "silent install of the older package"
msiexec64 /i "$old" /qn || fail "msiexec /i (0.9) exited $?"
[ -f "$syswow64/korvixlite.ocx" ] || fail "korvixlite.ocx is not in SysWOW64"
[ -e "$drive_c/windows/system32/korvixlite.ocx" ] && fail "the 32-bit module landed in the 64-bit System32"
[ -e "$twain32/Korvix" ] && fail "the virtual scanner, off by default, was installed"
"$KORVIX_WINE64" reg query "HKCR\\CLSID\\$clsid" /reg:64 >/dev/null 2>&1 && fail "the class is registered in the 64-bit view"
run_script installed
expect_script installed $'loaded 16 x 15\nsaved'

step "upgrade to the current package, with the virtual scanner"
msiexec64 /i "$msi" ADDLOCAL=ALL /qn || fail "msiexec /i (upgrade) exited $?"
export_classes 64 "$work/upgraded64"
[ "$(products "$work/upgraded64")" = 1 ] || fail "$(products "$work/upgraded64") products registered after the upgrade, expected 1"
grep -q '"Version"=dword:01000000' "$work/upgraded64" || fail "the registered product is not version 1.0.0"
cmp -s "$dist/korvixlite.ocx" "$syswow64/korvixlite.ocx" || fail "SysWOW64 holds another korvixlite.ocx than dist/"
[ -f "$twain32/Korvix/korvix_scanner.ds" ] || fail "the virtual scanner is not in twain_32\\Korvix"
# Wine's source manager loads only twain_32\sane.ds, so the scanner is put there.
cp "$twain32/Korvix/korvix_scanner.ds" "$twain32/sane.ds"
run_script upgraded scan
expect_script upgraded $'loaded 16 x 15\nscanned 620 x 877\nsaved'
export_classes 32 "$work/installed32"
added "$work/before32" "$work/installed32" >"$work/package-rows"
[ -s "$work/package-rows" ] || fail "the package wrote no keys in the 32-bit view"

step "the older package refuses to downgrade"
msiexec64 /i "$old" /qn && fail "installing 0.9 over 1.0 succeeded"
export_classes 64 "$work/downgrade64"
grep -q '"Version"=dword:01000000' "$work/downgrade64" || fail "version 1.0.0 is no longer installed"

step "repair puts back a deleted module and a deleted key"
rm -f "$syswow64/korvixlite.ocx"
"$KORVIX_WINE64" reg delete "HKCR\\CLSID\\$clsid\\InprocServer32" /reg:32 /f >/dev/null 2>&1 || fail "cannot delete a key"
# Wine's msiexec /fa does not repair; this is the same request spelled out.
msiexec64 /i "$msi" REINSTALL=ALL REINSTALLMODE=amus /qn || fail "msiexec repair exited $?"
cmp -s "$dist/korvixlite.ocx" "$syswow64/korvixlite.ocx" || fail "the repair did not put korvixlite.ocx back"
export_classes 32 "$work/repaired32"
added "$work/before32" "$work/repaired32" | cmp -s - "$work/package-rows" || fail "the repair left other keys than the install"
run_script repaired
expect_script repaired $'loaded 16 x 15\nsaved'

step "silent uninstall"
cp "$work/sane.ds.placeholder" "$twain32/sane.ds"
msiexec64 /x "$msi" /qn || fail "msiexec /x exited $?"
[ -e "$syswow64/korvixlite.ocx" ] && fail "korvixlite.ocx is left in SysWOW64"
[ -e "$twain32/Korvix" ] && fail "twain_32\\Korvix is left"
for view in 32 64; do
  export_classes "$view" "$work/after$view"
  if ! cmp -s "$work/before$view" "$work/after$view"; then
    fail "HKEY_CLASSES_ROOT ($view-bit view) differs from before the install:"
    LC_ALL=C comm -3 "$work/before$view" "$work/after$view" | head -20
  fi
  LC_ALL=C comm -13 "$work/before$view" "$work/after$view" | grep -E -q "$names_the_control" &&
    fail "a key that names the control remains in the $view-bit view"
done

step "the package's keys are the module's own registration"
cp "$dist/korvixlite.ocx" "$syswow64/korvixlite.ocx"
wine regsvr32 /s 'C:\windows\syswow64\korvixlite.ocx' </dev/null >/dev/null 2>&1 || fail "regsvr32 exited $?"
export_classes 32 "$work/selfreg32"
wine regsvr32 /u /s 'C:\windows\syswow64\korvixlite.ocx' </dev/null >/dev/null 2>&1
rm -f "$syswow64/korvixlite.ocx"
# The one difference the installer cannot avoid: its folder references end in
# a backslash, so the help folder is written with one.
help_folder_slash='s/^(\[[^]]*\\HELPDIR\]\t@=".*)\\\\"$/\1"/'
if ! diff <(added "$work/before32" "$work/selfreg32" | sed -E "$help_folder_slash") \
          <(sed -E "$help_folder_slash" "$work/package-rows") >"$work/rows.diff"; then
  fail "the package's keys differ from what DllRegisterServer writes (< regsvr32, > package):"
  head -20 "$work/rows.diff"
fi

if [ "$failures" = 0 ]; then
  rm -f "$work/dirty"
  echo "package_test: all checks passed"
fi
exit "$failures"
