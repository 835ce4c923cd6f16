#!/bin/sh
# Installs a TWAIN source as the only one in the prefix's twain_32 folder,
# under the name given (Wine's DSM loads only sane.ds and gphoto2.ds there,
# and Wine's own sources find their Unix side by that name), runs a command,
# and always puts the virtual scanner back as sane.ds, whatever the command did.
#   with_source.sh <source.ds> <twain_32 folder>/<sane.ds|gphoto2.ds> <virtual scanner.ds> <command...>
source="$1" installed="$2" scanner="$3"
shift 3
folder=$(dirname "$installed")
rm -f "$folder/sane.ds" "$folder/gphoto2.ds"
cp "$source" "$installed" || exit 97
"$@"
rc=$?
rm -f "$folder/sane.ds" "$folder/gphoto2.ds"
cp "$scanner" "$folder/sane.ds" || exit 98
exit $rc
