#!/usr/bin/env bash
# Checks the built module's PE tables natively: it is built for the expected
# machine, exports exactly the four COM server entry points (undecorated)
# and imports only Windows system DLLs.
#   check_binary.sh <objdump> <korvixlite.ocx> <pei-i386|pei-x86-64>
set -euo pipefail
objdump="$1"
module="$2"
format="$3"
tables="$("$objdump" -p "$module")"
failures=0

machine="$(printf '%s\n' "$tables" | sed -n 's/.*file format \([^[:space:]]*\).*/\1/p' | head -n1)"
if [ "$machine" != "$format" ]; then
  echo "FAIL machine: expected $format, got '$machine'"
  failures=$((failures + 1))
fi

exports="$(printf '%s\n' "$tables" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\).*/\1/p' | sort | tr '\n' ' ')"
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
if [ "$exports" != "$expected" ]; then
  echo "FAIL exports: got '$exports', expected '$expected'"
  failures=$((failures + 1))
fi

# Windows' own libraries; a mingw runtime DLL (libgcc, libstdc++, winpthread) must not appear.
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll gdiplus.dll kernel32.dll msvcrt.dll ole32.dll"
allowed+=" oleaut32.dll olepro32.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll version.dll "
imports="$(printf '%s\n' "$tables" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr -d '\r')"
if [ -z "$imports" ]; then
  echo "FAIL imports: none found"
  failures=$((failures + 1))
fi
for dll in $imports; do
  case "$allowed" in
    *" $dll "*) ;;
    *) echo "FAIL import of a non-system DLL: $dll"; failures=$((failures + 1)) ;;
  esac
done
for required in oleaut32.dll advapi32.dll kernel32.dll; do
  case " $(echo $imports) " in
    *" $required "*) ;;
    *) echo "FAIL missing import: $required"; failures=$((failures + 1)) ;;
  esac
done

# TWAIN_32.DLL is bound by name at the first scan, never imported, so the
# control loads and registers on machines without TWAIN.
case " $(echo $imports) " in
  *" twain_32.dll "*) echo "FAIL TWAIN_32.DLL is imported; it must be loaded at run time"; failures=$((failures + 1)) ;;
esac
if ! grep -qa "TWAIN_32.DLL" "$module"; then
  echo "FAIL the module does not name TWAIN_32.DLL for loading at run time"
  failures=$((failures + 1))
fi

echo "machine: $machine"
echo "exports: $exports"
echo "imports: $(echo $imports)"
exit "$failures"
