#!/usr/bin/env bash
# Runs one of the guide's examples under Wine against the registered control
# and compares what it prints with what the guide says it prints.
#   run_example.sh <source root> <prefix> <win32|win64> <module> <expected output> <example: .vbs, .js or .exe>
# In a win64 prefix the module is registered and the scripts run by the
# 64-bit regsvr32 and script host (plain "wine" starts their 32-bit twins).
set -uo pipefail
root="$1" prefix="$2" arch="$3" module="$4" expected="$5" example="$6"
# shellcheck source=../../../tools/wine-env.sh
source "$root/tools/wine-env.sh"
korvix_prefix_init "$prefix" "$arch"
system_wine=(wine)
[ "$arch" = win64 ] && system_wine=("$KORVIX_WINE64")

"${system_wine[@]}" regsvr32 /s "$(winepath -w "$module")" </dev/null || { echo "FAIL: regsvr32 exited $?"; exit 1; }
case "$example" in
  *.vbs | *.js) command=("${system_wine[@]}" 'C:\windows\system32\cscript.exe' //nologo "$(winepath -w "$example")") ;;
  *) command=(wine "$example") ;;
esac
printed="$("${command[@]}" </dev/null 2>/dev/null | tr -d '\r')"
status=$?
if [ "$printed" != "$(cat "$expected")" ]; then
  echo "FAIL: $(basename "$example") printed something else than the guide says:"
  diff <(cat "$expected") <(printf '%s\n' "$printed") | sed 's/^/  /'
  exit 1
fi
[ "$status" = 0 ] || { echo "FAIL: $(basename "$example") exited $status"; exit 1; }
echo "$(basename "$example"): prints what the guide says"
