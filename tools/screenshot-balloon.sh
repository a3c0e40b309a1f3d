#!/usr/bin/env bash
# Takes docs/balloon.png: the agent's warning balloon for a file at risk. A
# listed network path can never be stored, so the start-up run warns at once.
# Wine draws the balloon as a tooltip window beside its notification area.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
. tools/wine-env.sh
sorel_fresh_prefix shot
sorel_prepare_prefix
mkdir -p "$WINEPREFIX/drive_c/data"
echo diary > "$WINEPREFIX/drive_c/data/diary.txt"
printf '%s\r\n' 'C:\Tools\=221' '2000/1/1' 'C:\data\diary.txt' '\\server\share\家計簿.xls' |
    iconv -f UTF-8 -t CP932 > "$WINEPREFIX/drive_c/windows/Varnix.vnx"
wine build/windows-x64/bin/Sorel2.exe &
# The balloon is a tooltip window of explorer's; take the screen once it shows.
for _ in $(seq 1 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"tooltips_class32"\|Ｓｏｒｅｌ２：'; then
        break
    fi
    sleep 0.1
done
sleep 1
import -window root "${1:-docs/balloon.png}"
echo "${1:-docs/balloon.png}"
wineserver -k
