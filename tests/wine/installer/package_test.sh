#!/usr/bin/env bash
# One of the control's Windows Installer packages under Wine, in a 64-bit
# (WoW64) prefix of its own and with the 64-bit msiexec, as on 64-bit
# Windows: the x86 package (the 32-bit control) or the x64 one (the 32-bit
# and the 64-bit control side by side, with the helper). Every check runs
# for each module the package holds, with a script host of its bitness:
#   - an older package (the same inputs, a lower version) installs silently,
#     its files and nothing else land, each module's keys in its own view,
#     the virtual scanners (off by default) do not, and each host creates
#     and uses Korvix.Twain;
#   - the current package upgrades it in place with the scanners chosen, and
#     each host scans from the scanner of its bitness; the older package then
#     refuses to downgrade;
#   - with the last module deleted only the host of its bitness fails (each
#     host loads its own module); a repair puts back the module and a
#     deleted key;
#   - (x64) the x86 package of the same version replaces it, and it replaces
#     that one back, rather than installing beside it;
#   - uninstall leaves no file and HKEY_CLASSES_ROOT (both views) exactly as
#     before the first install;
#   - the control's keys, as hosts of each bitness see them, are the same
#     after the install as after the modules' own DllRegisterServer
#     (regsvr32 of each bitness), so the package and the modules cannot drift.
#   package_test.sh <source root> <x86|x64> <package.msi> <work dir> <make-package.sh inputs...>
set -uo pipefail
root="$1" kind="$2" package="$3" work="$4"
shift 4
inputs=("$@")
# shellcheck source=../../../tools/wine-env.sh
source "$root/tools/wine-env.sh"

clsid='{CB8D520D-E46A-4059-B779-135030ADEFEE}' libid=CD9BF7A1-9733-4061-BF2F-DF2FFBAA705C
interfaces=(8F53E9FE-B49F-4262-B08D-B82103AD4DEE 23BDACDB-285A-4F9B-BE8E-9BB0B16E644F)
# The keys the control registers: its class, ProgID, type library and interfaces.
control_keys=("CLSID\\$clsid" Korvix.Twain "TypeLib\\{$libid}" "Interface\\{${interfaces[0]}}" "Interface\\{${interfaces[1]}}")
names_the_control="$clsid|Korvix\\.Twain|$libid|${interfaces[0]}|${interfaces[1]}"
picture="$root/control/resources/toolbox.bmp"  # 16 x 15
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "== ${SECONDS}s: $*"; }
die() { echo "FAIL: $*"; exit 1; }

declare -A input=()
for pair in "${inputs[@]}"; do input["${pair%%=*}"]="${pair#*=}"; done
# What each kind holds: the bitness of its modules, and the files it may
# install (below C:\windows); the x64 package holds the x86 one's and more.
x86_files=(syswow64/korvixlite.ocx twain_32/Korvix/korvix_scanner.ds)
bits=(32) control_files=("${x86_files[0]}") scanner_files=("${x86_files[1]}")
case "$kind" in
  x86) ;;
  x64) bits+=(64)
       control_files+=(system32/korvixlite.ocx system32/korvix_twain32.exe)
       scanner_files+=(twain_64/Korvix/korvix_scanner.ds) ;;
  *) die "unknown package kind '$kind'" ;;
esac
declare -A copy_of=([syswow64/korvixlite.ocx]=Control32 [system32/korvixlite.ocx]=Control64
                    [system32/korvix_twain32.exe]=Helper32 [twain_32/Korvix/korvix_scanner.ds]=Scanner32
                    [twain_64/Korvix/korvix_scanner.ds]=Scanner64)
last="${bits[-1]}"

# A prefix left by a run that failed may hold the product: start afresh then.
prefix="$work/wineprefix"
mkdir -p "$work"
[ -e "$work/dirty" ] && rm -rf "$prefix"
touch "$work/dirty"
korvix_prefix_init "$prefix" win64
trap 'wineserver -k >/dev/null 2>&1' EXIT
korvix_wineserver_start
windir="$prefix/drive_c/windows"

# Wine's prefixes map drive Z: to the Unix root (winepath would start a
# program for every name).
[ "$(readlink "$prefix/dosdevices/z:")" = / ] || die "drive Z: of $prefix is not the Unix root"
winpath() { local path="Z:$1"; echo "${path//\//\\}"; }
# Debian's `wine` starts 32-bit programs (system32 ones as their SysWOW64
# twins); the 64-bit ones start through $KORVIX_WINE64.
loader() { if [ "$1" = 64 ]; then echo "$KORVIX_WINE64"; else echo wine; fi; }
module_of() { if [ "$1" = 64 ]; then echo system32/korvixlite.ocx; else echo syswow64/korvixlite.ocx; fi; }
module_path() { local file; file="$(module_of "$1")"; echo "C:\\windows\\${file/\//\\}"; }

# The Windows programs running in the prefix, Wine's services (which the
# persistent server keeps) aside: "pid name" a line.
programs() {
  local pid name
  for pid in $(pgrep -f '^[A-Za-z]:\\'); do
    grep -qzx "WINEPREFIX=$prefix" "/proc/$pid/environ" 2>/dev/null || continue
    name="$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    [[ "${name%% *}" =~ \\(services|winedevice|plugplay|svchost|rpcss)\.exe$ ]] || echo "$pid $name"
  done
}
# An installer run starts only when every program before it has ended,
# Wine's desktop process (explorer.exe /desktop, which closes a second after
# the last window) included: it meets no file, key or desktop that another
# program still holds or is closing.
settle() {
  local deadline=$((SECONDS + 60))
  while [ -n "$(programs)" ]; do
    [ "$SECONDS" -lt "$deadline" ] || die "programs still running after a minute: $(programs | tr '\n' ';')"
    sleep 0.1
  done
}
# Each run keeps the installer's log and Wine's errors (msiexec-N.log, .err).
runs=0
msiexec64() {
  settle
  runs=$((runs + 1))
  WINEDEBUG=err+all,fixme-all "$KORVIX_WINE64" msiexec "$@" /l*v "$(winpath "$work/msiexec-$runs.log")" \
    </dev/null >"$work/msiexec-$runs.err" 2>&1
}
run_installer() { # run_installer <what> <msiexec arguments>: a run that must succeed
  local what="$1"
  shift
  msiexec64 "$@" && return 0
  fail "$what: msiexec exited $? (its status's low byte); the ends of msiexec-$runs.log and .err:"
  tail -n 12 "$work/msiexec-$runs.log" "$work/msiexec-$runs.err" 2>&1
}

# HKEY_CLASSES_ROOT of both views as sorted lines (the 64-bit view holds
# the 32-bit one as its Wow6432Node subtree): each key, and each value
# prefixed with its key, continuation lines joined.
export_classes() { # export_classes <out>
  "$KORVIX_WINE64" reg export HKCR "$(winpath "$work/export.reg")" /reg:64 /y >/dev/null 2>&1 \
    || die "reg export failed"
  iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' | awk '
    held != "" { sub(/^ +/, ""); $0 = held $0; held = "" }
    /\\$/ { held = substr($0, 1, length($0) - 1); next }
    /^\[/ { key = $0; print key; next }
    NF && key != "" { print key "\t" $0 }' | LC_ALL=C sort >"$1"
}
# The control's keys as a host of one bitness sees them, in the same form.
seen_keys() { # seen_keys <32|64> <out>
  local key
  for key in "${control_keys[@]}"; do
    "$(loader "$1")" reg query "HKCR\\$key" /s </dev/null 2>/dev/null
  done | tr -d '\r' | awk '/^HKEY/ { key = $0; print key; next } NF { sub(/^ +/, ""); print key "\t" $0 }' |
    LC_ALL=C sort >"$2"
}
# The products the installer has registered ("<name> <version>" a line)
# are this one, version 1.0.0, only.
expect_product() { # expect_product <when>
  local products
  products="$("$KORVIX_WINE64" reg query 'HKCR\Installer\Products' /s </dev/null 2>/dev/null | tr -d '\r' |
    awk '$1 == "ProductName" { $1 = $2 = ""; name = substr($0, 3) } $1 == "Version" { print name, $3 }')"
  [ "$products" = "Korvix Twain Control 0x1000000" ] ||
    fail "$1: the products registered are [${products//$'\n'/|}], expected version 1.0.0 alone"
}
# After a maintenance run each host sees the keys it saw after the install.
expect_keys_kept() { # expect_keys_kept <name> <when>
  local b
  for b in "${bits[@]}"; do
    seen_keys "$b" "$work/$1$b"
    cmp -s "$work/package$b" "$work/$1$b" || fail "$2: $b-bit hosts see other keys than after the install"
  done
}

# Exactly these of the package's files are installed, each a copy of its input.
expect_files() { # expect_files <when> <file>...
  local when="$1" file
  shift
  for file in "${!copy_of[@]}"; do
    if [[ " $* " == *" $file "* ]]; then
      cmp -s "${input[${copy_of[$file]}]}" "$windir/$file" || fail "$when: $file is not ${copy_of[$file]} as built"
    elif [ -e "$windir/$file" ]; then
      fail "$when: $file is there"
    fi
  done
}

run_script() { # run_script <32|64> <name> [scan]: the cscript of that bitness as the host
  "$(loader "$1")" cscript //nologo "$(winpath "$root/tests/wine/installer/use_control.vbs")" "$(winpath "$picture")" \
    "$(winpath "$work/$2.bmp")" ${3:+scan} </dev/null 2>/dev/null | tr -d '\r' >"$work/$2.out"
}
expect_script() { # expect_script <name> <expected output>
  if [ "$(cat "$work/$1.out")" != "$2" ]; then
    fail "$1: the script printed [$(tr '\n' '|' <"$work/$1.out")], expected [$(tr '\n' '|' <<<"$2")]"
  elif [[ "$2" == *saved ]] && [ "$(head -c 2 "$work/$1.bmp" 2>/dev/null)" != "BM" ]; then
    fail "$1: the script's Save wrote no bitmap"
  fi
}
uses_control() { # uses_control <name>: every host creates and uses the control
  local b
  for b in "${bits[@]}"; do
    run_script "$b" "$1$b"
    expect_script "$1$b" $'loaded 16 x 15\nsaved'
  done
}

old_msi="$work/korvixlite-0.9.msi"
"$root/installer/make-package.sh" "$kind" "$old_msi" "${inputs[@]}" ProductVersion=0.9.0.0 \
  || die "cannot build the older package"
msi="$(winpath "$package")"
old="$(winpath "$old_msi")"
# Wine's source managers load only twain_32\sane.ds and twain_64\sane.ds.
for b in "${bits[@]}"; do cp "$windir/twain_$b/sane.ds" "$work/sane$b.ds.placeholder"; done

step "before: the control cannot be created; HKEY_CLASSES_ROOT"
# Wine registers the script host's own type library on cscript's first run,
# and creates the installer's registry roots on the first install (Windows
# has both from the start): let that happen before the snapshot.
for b in "${bits[@]}"; do
  run_script "$b" "uninstalled$b"
  grep -q "CreateObject failed" "$work/uninstalled$b.out" || fail "Korvix.Twain was creatable by a $b-bit host before the install"
done
for root_key in Features Products UpgradeCodes; do
  "$KORVIX_WINE64" reg add "HKCR\\Installer\\$root_key" /f >/dev/null 2>&1
done
export_classes "$work/before"

step "silent install of the older package"
run_installer "the older package" /i "$old" /qn
expect_files "the older package" "${control_files[@]}"
for view in 32 64; do
  registered=no
  "$(loader "$view")" reg query "HKCR\\CLSID\\$clsid" >/dev/null 2>&1 && registered=yes
  want=no
  [[ " ${bits[*]} " == *" $view "* ]] && want=yes
  [ "$registered" = "$want" ] || fail "the class is registered for $view-bit hosts: $registered, expected $want"
done
uses_control installed

step "upgrade to the current package, with the virtual scanners"
run_installer "the upgrade" /i "$msi" ADDLOCAL=ALL /qn
expect_product "the upgrade"
expect_files "the upgrade" "${control_files[@]}" "${scanner_files[@]}"
for b in "${bits[@]}"; do
  cp "$windir/twain_$b/Korvix/korvix_scanner.ds" "$windir/twain_$b/sane.ds"
  run_script "$b" "upgraded$b" scan
  expect_script "upgraded$b" $'loaded 16 x 15\nscanned 620 x 877\nsaved'
  seen_keys "$b" "$work/package$b"
  # Each host's class names the module of its own bitness.
  grep -qxF "HKEY_CLASSES_ROOT\\CLSID\\$clsid\\InprocServer32	(Default)    REG_SZ    $(module_path "$b")" \
    "$work/package$b" || fail "the class that $b-bit hosts see does not name $(module_path "$b")"
done

step "the older package refuses to downgrade"
msiexec64 /i "$old" /qn && fail "installing 0.9 over 1.0 succeeded"
expect_product "the downgrade"

step "without its module only the $last-bit host fails; repair puts back the module and a deleted key"
rm -f "$windir/$(module_of "$last")"
"$(loader "$last")" reg delete "HKCR\\CLSID\\$clsid\\ToolboxBitmap32" /f >/dev/null 2>&1 || fail "cannot delete a key"
for b in "${bits[@]}"; do
  run_script "$b" "broken$b"
  if [ "$b" = "$last" ]; then
    grep -q "CreateObject failed" "$work/broken$b.out" || fail "the $b-bit host created the control without its module"
  else
    expect_script "broken$b" $'loaded 16 x 15\nsaved'
  fi
done
# Wine's msiexec /fa does not repair; this is the same request spelled out.
run_installer "the repair" /i "$msi" REINSTALL=ALL REINSTALLMODE=amus /qn
expect_files "the repair" "${control_files[@]}" "${scanner_files[@]}"
expect_keys_kept repaired "the repair"
uses_control repaired

if [ "$kind" = x64 ]; then
  # Two products of one version would share the keys both modules write
  # alike, and removing either would take them from the other.
  step "the x86 package of this version replaces the x64 one, and the x64 one replaces it back"
  "$root/installer/make-package.sh" x86 "$work/korvixlite-x86.msi" "${inputs[@]}" || die "cannot build the x86 package"
  run_installer "the x86 package" /i "$(winpath "$work/korvixlite-x86.msi")" ADDLOCAL=ALL /qn
  expect_product "the x86 package"
  expect_files "the x86 package" "${x86_files[@]}"
  run_installer "the x64 package over the x86 one" /i "$msi" ADDLOCAL=ALL /qn
  expect_product "the x64 package over the x86 one"
  expect_files "the x64 package again" "${control_files[@]}" "${scanner_files[@]}"
  expect_keys_kept replaced "the x64 package over the x86 one"
fi

step "silent uninstall"
for b in "${bits[@]}"; do cp "$work/sane$b.ds.placeholder" "$windir/twain_$b/sane.ds"; done
run_installer "the uninstall" /x "$msi" /qn
expect_files "the uninstall"
for file in "${scanner_files[@]}"; do
  [ -e "$windir/${file%/*}" ] && fail "${file%/*} is left"
done
export_classes "$work/after"
if ! cmp -s "$work/before" "$work/after"; then
  fail "HKEY_CLASSES_ROOT differs from before the install:"
  LC_ALL=C comm -3 "$work/before" "$work/after" | head -20
fi
LC_ALL=C comm -13 "$work/before" "$work/after" | grep -E -q "$names_the_control" && fail "a key that names the control remains"

step "the control's keys are the modules' own registration"
for b in "${bits[@]}"; do
  cp "${input[Control$b]}" "$windir/$(module_of "$b")"
  "$(loader "$b")" regsvr32 /s "$(module_path "$b")" </dev/null >/dev/null 2>&1 || fail "regsvr32 ($b-bit) exited $?"
done
for b in "${bits[@]}"; do seen_keys "$b" "$work/selfreg$b"; done
for b in "${bits[@]}"; do
  "$(loader "$b")" regsvr32 /u /s "$(module_path "$b")" </dev/null >/dev/null 2>&1
  rm -f "$windir/$(module_of "$b")"
done
# What the installer cannot write alike: its folder references end in a
# backslash, and with both modules the type library's help folder, a key
# they share, is the folder of whichever wrote it last.
folders="$(for b in "${bits[@]}"; do dirname "$(module_of "$b")"; done | paste -sd '|')"
help_folder="s/^(.*\\\\HELPDIR\t\(Default\) +REG_SZ +)C:\\\\windows\\\\($folders)\\\\?\$/\\1(a module's folder)/"
for b in "${bits[@]}"; do
  if ! diff <(sed -E "$help_folder" "$work/selfreg$b") <(sed -E "$help_folder" "$work/package$b") >"$work/keys$b.diff"; then
    fail "the keys $b-bit hosts see differ between regsvr32 (<) and the package (>):"
    head -20 "$work/keys$b.diff"
  fi
done

if [ "$failures" = 0 ]; then
  rm -f "$work/dirty"
  echo "package_test: all checks passed"
fi
exit "$failures"
