#!/usr/bin/env bash
# Takes docs/notice.png: the agent's notice as it shows during a check. The
# schedule "00" makes the first timer tick (5 s after start) run the hour
# check, and a large sparse file keeps the check going long enough to catch.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
. tools/wine-env.sh
sorel_fresh_prefix shot
sorel_prepare_prefix
mkdir -p "$WINEPREFIX/drive_c/data"
truncate -s 6G "$WINEPREFIX/drive_c/data/big.dat"
printf '%s\r\n' 'C:\Tools\=001' '2000/1/1' 'C:\data\big.dat' > "$WINEPREFIX/drive_c/windows/Varnix.vnx"
wine build/windows-x64/bin/Sorel2.exe kirum &
for _ in $(seq 1 200); do
    if xwininfo -name "Ｓｏｒｅｌ" 2>/dev/null | grep -q IsViewable; then
        sleep 0.5
        geometry=$(xwininfo -name "Ｓｏｒｅｌ" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Width/ {w=$2} /Height/ {h=$2} END {print w "x" h "+" x "+" y}')
        import -window root -crop "$geometry" docs/notice.png
        echo "docs/notice.png ($geometry)"
        break
    fi
    sleep 0.1
done
wineserver -k
