#!/usr/bin/env bash
# Runs the windows-x64 tests under Wine in a fresh prefix, with one warm
# wineserver for the whole run. tools/test.sh runs it on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
WINEPREFIX=$(mktemp -d /tmp/sorel-wine.XXXXXX)
export WINEPREFIX
. tools/wine-env.sh
ramdisk=""
cleanup() {
    wineserver -k 2>/dev/null || true
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
# A second drive letter for a folder of C:, as subst makes one.
mkdir -p "$WINEPREFIX/drive_c/sorel-x"
ln -s ../drive_c/sorel-x "$WINEPREFIX/dosdevices/x:"
ctest --preset windows-x64 "$@"
