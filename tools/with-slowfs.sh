#!/usr/bin/env bash
# Runs a command with a slow drive mounted, for the tests of a long copy:
#   tools/with-slowfs.sh MS_PER_READ COMMAND [ARGS...]
# The command sees SOREL_SLOW_DRIVE, the mounted folder (reads slow, its
# backUp folder a link to a plain folder, so the copies are written fast),
# and SOREL_SLOW_BACKING, the same folder unmounted, where the files are put;
# both as Wine paths. It also sees SOREL_COARSE_DRIVE, a writable folder that
# keeps last-write times to 2 seconds, as a FAT-formatted USB stick does.
# Without root or FUSE the command runs without them and those tests skip.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
delay=$1; shift
if [ "$(id -u)" -ne 0 ] || [ ! -e /dev/fuse ] || ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
    echo "with-slowfs: no slow drive (needs root, /dev/fuse and python3-fusepy)" >&2
    exec "$@"
fi
work=$(mktemp -d /tmp/sorel-slowfs.XXXXXX)
mkdir -p "$work/backing" "$work/store" "$work/mnt" "$work/coarse-backing" "$work/coarse"
ln -s "$work/store" "$work/backing/backUp"
pids=()
# mount BACKING MOUNTPOINT [fat]; true once it is mounted.
mount_slowfs() {
    /usr/bin/python3 "$here/slowfs.py" "$1" "$2" "$delay" "${3:-}" 2>>"$work/slowfs.log" &
    pids+=($!)
    for _ in $(seq 50); do
        mountpoint -q "$2" && return 0
        sleep 0.1
    done
    echo "with-slowfs: the mount failed: $(cat "$work/slowfs.log")" >&2
    return 1
}
wine_path() { echo "Z:${1//\//\\}\\"; }
if mount_slowfs "$work/backing" "$work/mnt"; then
    SOREL_SLOW_DRIVE=$(wine_path "$work/mnt")
    SOREL_SLOW_BACKING=$(wine_path "$work/backing")
    export SOREL_SLOW_DRIVE SOREL_SLOW_BACKING
fi
if mount_slowfs "$work/coarse-backing" "$work/coarse" fat; then
    SOREL_COARSE_DRIVE=$(wine_path "$work/coarse")
    export SOREL_COARSE_DRIVE
fi
"$@"
status=$?
for mnt in "$work/mnt" "$work/coarse"; do
    fusermount -u "$mnt" 2>/dev/null || umount "$mnt" 2>/dev/null
done
kill "${pids[@]}" 2>/dev/null
wait "${pids[@]}" 2>/dev/null
rm -rf "$work"
exit $status
