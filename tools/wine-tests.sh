#!/usr/bin/env bash
# Runs the windows-x64 tests under Wine in a fresh prefix, with one warm
# wineserver for the whole run. tools/test.sh runs it on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
WINEPREFIX=$(mktemp -d /tmp/sorel-wine.XXXXXX)
export WINEPREFIX
. tools/wine-env.sh
ramdisk=""
placefs=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$placefs" ] || umount "$placefs/mnt" 2>/dev/null || true
    [ -z "$placefs" ] || rm -rf "$placefs"
    [ -z "$ramdisk" ] || umount "$ramdisk" 2>/dev/null || true
    rm -rf "$WINEPREFIX" ${ramdisk:+"$ramdisk"}
}
trap cleanup EXIT
# A cold wineserver start costs seconds; keep one running for every test.
wineserver -p
sorel_prepare_prefix
# A disk that fills up: drive T: on a 4 MiB RAM disk (mounting needs root).
if [ "$(id -u)" -eq 0 ]; then
    ramdisk=$(mktemp -d /tmp/sorel-ramdisk.XXXXXX)
    if mount -t tmpfs -o size=4m tmpfs "$ramdisk"; then
        ln -s "$ramdisk" "$WINEPREFIX/dosdevices/t:"
    else
        echo "no RAM disk: the full-disk test will be skipped"
    fi
fi
# A network share for the second copy: Wine maps \\server\share to
# dosdevices/unc/server/share.
mkdir -p "$WINEPREFIX/share" "$WINEPREFIX/dosdevices/unc/server"
ln -s "$WINEPREFIX/share" "$WINEPREFIX/dosdevices/unc/server/share"
# A place whose disk can be told to stall: placefs as P: (root, /dev/fuse and
# python3-fusepy), its control file named for the test that stalls it.
if [ "$(id -u)" -eq 0 ] && [ -e /dev/fuse ] && [ -f ../shared/tools/placefs.py ]; then
    placefs=$(mktemp -d /tmp/sorel-placefs.XXXXXX)
    mkdir "$placefs/back" "$placefs/mnt"
    echo '{}' >"$placefs/control.json"
    /usr/bin/python3 ../shared/tools/placefs.py "$placefs/back" "$placefs/mnt" \
        "$placefs/control.json" "$placefs/log" >/dev/null 2>&1 &
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        mountpoint -q "$placefs/mnt" && break
        sleep 0.5
    done
    ln -s "$placefs/mnt" "$WINEPREFIX/dosdevices/p:"
    export SOREL_PLACEFS_CONTROL="$placefs/control.json"
fi
# A second drive letter for a folder of C:, as subst makes one.
mkdir -p "$WINEPREFIX/drive_c/sorel-x"
ln -s ../drive_c/sorel-x "$WINEPREFIX/dosdevices/x:"
ctest --preset windows-x64 "$@"
