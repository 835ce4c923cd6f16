#!/bin/sh
# Installs a TWAIN source (or none) for each bitness of a WoW64 prefix, runs
# a command, and always puts back what was there before, whatever the
# command did. "none" leaves a file there that is no source, so that the
# source manager of that bitness lists nothing.
#   with_sources.sh <prefix> <64-bit source.ds|none> <32-bit source.ds|none> <command...>
prefix="$1" ds64="$2" ds32="$3"
shift 3
keep=$(mktemp -d) || exit 97
for bits in 64 32; do
  target="$prefix/drive_c/windows/twain_$bits/sane.ds"
  if [ "$bits" = 64 ]; then source="$ds64"; else source="$ds32"; fi
  mkdir -p "$(dirname "$target")"
  [ -f "$target" ] && cp "$target" "$keep/sane$bits.ds"
  if [ "$source" = none ]; then echo "no source here" >"$target"; else cp "$source" "$target" || exit 97; fi
done
"$@"
rc=$?
for bits in 64 32; do
  target="$prefix/drive_c/windows/twain_$bits/sane.ds"
  if [ -f "$keep/sane$bits.ds" ]; then cp "$keep/sane$bits.ds" "$target"; else rm -f "$target"; fi
done
rm -rf "$keep"
exit $rc
