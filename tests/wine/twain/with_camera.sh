#!/bin/sh
# Runs a command with a camera that libgphoto2 (and so Wine's gphoto2.ds)
# finds: a tmpfs holding DCIM/100TEST/TEST0001.JPG, mounted in a private
# mount namespace, so it exists for the command alone and goes with it.
# Needs root and unshare(1); where either is missing or refused, it reports
# the test skipped (exit 77) with the reason.
#   with_camera.sh <photo.jpg> <command...>
photo="$1"
shift
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "mounting the camera's tmpfs needs root"
command -v unshare >/dev/null 2>&1 || skip "unshare(1) is not installed"
unshare -m true 2>/dev/null || skip "a private mount namespace (unshare -m) is not permitted here"
mnt=$(mktemp -d) || exit 96
unshare -m sh -c '
  mount -t tmpfs -o size=16m korvixcamera "$1" 2>/dev/null || { echo "SKIPPED: a tmpfs cannot be mounted here"; exit 77; }
  mkdir -p "$1/DCIM/100TEST" && cp "$2" "$1/DCIM/100TEST/TEST0001.JPG" || exit 96
  shift 2
  KORVIX_CAMERA_MOUNTED=1 exec "$@"' sh "$mnt" "$photo" "$@"
rc=$?
rmdir "$mnt"
exit $rc
