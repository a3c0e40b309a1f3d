#!/usr/bin/env bash
# Runs a command with a place that misbehaves on demand, for the tests of the
# second copy on a USB stick:
#   tools/with-placefs.sh COMMAND [ARGS...]
# The place is ../shared/tools/placefs.py (beside the project's folder), a
# passthrough whose behaviour a JSON control file switches while it runs:
# {"fat2s": true} keeps times to 2 seconds, {"maxsize": 4294967295} refuses
# writes past that size (EFBIG), {"yank": true} fails everything (EIO), {"ro":
# true} refuses writes (EROFS), {"delay": {"rename": 3}} stalls an operation.
# The command sees
#   SOREL_PLACEFS_DRIVE    the mounted folder, as a Wine path (Z:\...\)
#   SOREL_PLACEFS_BACKING  the same folder unmounted, as a Wine path
#   SOREL_PLACEFS_CONTROL  the control file, as a Unix path; it starts as {}
#   SOREL_PLACEFS_LOG      the log of every operation, as a Unix path
#   SOREL_PLACEFS_LETTER   the mounted folder as a drive of its own (P:\), when
#                          the Wine prefix is known: Wine reports it as FAT32,
#                          with the label PLACE and the serial 1234-ABCD, since
#                          it reads those from the device behind a drive, and
#                          a Z:\ folder is no volume root it will describe
# Without root or FUSE the command runs without them and those tests skip.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
placefs="$(dirname "$repo")/shared/tools/placefs.py"
if [ ! -f "$placefs" ] || [ "$(id -u)" -ne 0 ] || [ ! -e /dev/fuse ] ||
    ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
    echo "with-placefs: no place drive (needs $placefs beside the project's folder, root, /dev/fuse and python3-fusepy); its cases skip" >&2
    exec "$@"
fi
work=$(mktemp -d /tmp/sorel-placefs.XXXXXX)
mkdir -p "$work/backing" "$work/mnt"
echo '{}' > "$work/control.json"
: > "$work/placefs.log"
pid=; loopdev=; letter_link=
cleanup() {
    [ -n "$letter_link" ] && rm -f "$letter_link" "$letter_link:"
    fusermount -u "$work/mnt" 2>/dev/null || umount "$work/mnt" 2>/dev/null
    [ -n "$pid" ] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
    [ -n "$loopdev" ] && losetup -d "$loopdev" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

/usr/bin/python3 "$placefs" "$work/backing" "$work/mnt" "$work/control.json" "$work/placefs.log" \
    2>>"$work/placefs.err" &
pid=$!
for _ in $(seq 50); do
    mountpoint -q "$work/mnt" && break
    sleep 0.1
done
wine_path() { echo "Z:${1//\//\\}\\"; }
if mountpoint -q "$work/mnt"; then
    SOREL_PLACEFS_DRIVE=$(wine_path "$work/mnt")
    SOREL_PLACEFS_BACKING=$(wine_path "$work/backing")
    SOREL_PLACEFS_CONTROL=$work/control.json
    SOREL_PLACEFS_LOG=$work/placefs.log
    export SOREL_PLACEFS_DRIVE SOREL_PLACEFS_BACKING SOREL_PLACEFS_CONTROL SOREL_PLACEFS_LOG
else
    echo "with-placefs: the mount failed: $(cat "$work/placefs.err")" >&2
fi

# The prefix the command will use, as tools/wine-run finds it.
prefix=${WINEPREFIX:-}
if [ -z "$prefix" ]; then
    for arg in "$@"; do
        case $arg in *.exe) prefix=$(cd "$(dirname "$arg")/.." 2>/dev/null && pwd)/wineprefix; break ;; esac
    done
fi
# A FAT32 boot sector on a small loop device: Wine takes a drive's file
# system name, label and serial from the device its "x::" entry names.
fat_device() {
    /usr/bin/python3 - "$work/fat32.img" <<'EOF'
import struct, sys
b = bytearray(1 << 20)
b[0:11] = b'\xEB\x58\x90MSWIN4.1'
# 512-byte sectors, 8 to a cluster, 32 reserved, 2 FATs, media F8, 1 GiB
struct.pack_into('<HBHBHHBHHHII', b, 11, 512, 8, 32, 2, 0, 0, 0xF8, 0, 63, 255, 0, 2097152)
struct.pack_into('<IHHIHH', b, 36, 2048, 0, 0, 2, 1, 6)
b[64], b[66] = 0x80, 0x29
struct.pack_into('<I', b, 67, 0x1234ABCD)
b[71:90] = b'PLACE      FAT32   '
b[510:512] = b'\x55\xAA'
open(sys.argv[1], 'wb').write(b)
EOF
    losetup -f --show "$work/fat32.img" 2>/dev/null
}
if [ -n "${SOREL_PLACEFS_DRIVE:-}" ] && [ -n "$prefix" ]; then
    (export WINEPREFIX=$prefix && . "$here/wine-env.sh" && sorel_prepare_prefix)
    if [ -e "$prefix/dosdevices/p:" ] || [ -L "$prefix/dosdevices/p:" ]; then
        echo "with-placefs: P: is taken in $prefix; no drive of its own" >&2
    elif loopdev=$(fat_device) && [ -n "$loopdev" ]; then
        letter_link=$prefix/dosdevices/p:
        ln -s "$work/mnt" "$letter_link"
        ln -s "$loopdev" "$letter_link:"
        export SOREL_PLACEFS_LETTER='P:\'
    else
        echo "with-placefs: no loop device; no drive of its own" >&2
    fi
fi

"$@"
status=$?
exit $status
