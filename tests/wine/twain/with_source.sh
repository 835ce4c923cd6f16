#!/bin/sh
# Installs a TWAIN source as the prefix's sane.ds, runs a command, and
# always puts the virtual scanner back, whatever the command did.
#   with_source.sh <source.ds> <prefix's sane.ds> <virtual scanner.ds> <command...>
source="$1" installed="$2" scanner="$3"
shift 3
cp "$source" "$installed" || exit 97
"$@"
rc=$?
cp "$scanner" "$installed" || exit 98
exit $rc
