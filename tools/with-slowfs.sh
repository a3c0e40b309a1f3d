#!/usr/bin/env bash
# Runs a command with a slow drive mounted, for the tests of a long copy:
#   tools/with-slowfs.sh MS_PER_READ COMMAND [ARGS...]
# The command sees SOREL_SLOW_DRIVE, the mounted folder (reads slow, its
# backUp folder a link to a plain folder, so the copies are written fast),
# and SOREL_SLOW_BACKING, the same folder unmounted, where the files are put;
# both as Wine paths. Without root or FUSE the command runs without them and
# those tests skip.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
delay=$1; shift
if [ "$(id -u)" -ne 0 ] || [ ! -e /dev/fuse ] || ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
    echo "with-slowfs: no slow drive (needs root, /dev/fuse and python3-fusepy)" >&2
    exec "$@"
fi
work=$(mktemp -d /tmp/sorel-slowfs.XXXXXX)
mkdir -p "$work/backing" "$work/store" "$work/mnt"
ln -s "$work/store" "$work/backing/backUp"
/usr/bin/python3 "$here/slowfs.py" "$work/backing" "$work/mnt" "$delay" 2>"$work/slowfs.log" &
fs=$!
for _ in $(seq 50); do
    mountpoint -q "$work/mnt" && break
    sleep 0.1
done
if mountpoint -q "$work/mnt"; then
    export SOREL_SLOW_DRIVE="Z:${work//\//\\}\\mnt\\"
    export SOREL_SLOW_BACKING="Z:${work//\//\\}\\backing\\"
else
    echo "with-slowfs: the mount failed: $(cat "$work/slowfs.log")" >&2
fi
"$@"
status=$?
fusermount -u "$work/mnt" 2>/dev/null || umount "$work/mnt" 2>/dev/null
kill "$fs" 2>/dev/null
wait "$fs" 2>/dev/null
rm -rf "$work"
exit $status
