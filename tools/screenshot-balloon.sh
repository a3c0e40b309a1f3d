#!/usr/bin/env bash
# Takes docs/balloon.png: the agent's warning balloon for a file at risk. A
# listed network path can never be stored, so the start-up run warns at once.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
. tools/wine-env.sh
sorel_fresh_prefix shot
sorel_prepare_prefix
mkdir -p "$WINEPREFIX/drive_c/data"
echo diary > "$WINEPREFIX/drive_c/data/diary.txt"
if [ "${1:-}" = --guard ]; then
    # With --guard, docs/guard-balloon.png: a workbook whose new content is
    # random bytes, as ransomware leaves it, over a generation 1 that was one.
    shift; set -- "${1:-docs/guard-balloon.png}"
    mkdir -p "$WINEPREFIX/drive_c/data/backUp"
    { printf '\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1'; head -c 4000 /dev/zero; } \
        > "$WINEPREFIX/drive_c/data/backUp/11家計簿.xls"
    touch -d 2020-01-01 "$WINEPREFIX/drive_c/data/backUp/11家計簿.xls"
    head -c 20000 /dev/urandom > "$WINEPREFIX/drive_c/data/家計簿.xls"
    listed='C:\data\家計簿.xls'
else
    listed='\\server\share\家計簿.xls'
fi
printf '%s\r\n' 'C:\Tools\=221' '2000/1/1' 'C:\data\diary.txt' "$listed" |
    iconv -f UTF-8 -t CP932 > "$WINEPREFIX/drive_c/windows/Varnix.vnx"
wine build/windows-x64/bin/Sorel2.exe &
# The balloon is a window of explorer's without a name, wider than the tray
# strip; take the strip and the balloon together once it shows.
balloon=""
for _ in $(seq 1 300); do
    balloon=$(xwininfo -root -tree 2>/dev/null |
        awk '/\(has no name\): \("explorer.exe"/ {split($(NF-1), g, /[x+]/); if (g[1] > 200) print $(NF-1)}' | head -1)
    [ -z "$balloon" ] || break
    sleep 0.1
done
[ -n "$balloon" ] || { echo "no balloon came up" >&2; wineserver -k; exit 1; }
sleep 0.5
tray=$(xwininfo -name "Wine System Tray" | awk '/Absolute upper-left Y/ {print $4}')
read -r w h x y <<<"$(tr 'x+' '  ' <<<"$balloon")"
top=$(( tray < y ? tray : y ))
import -window root -crop "$((x + w + 4))x$((y + h - top + 4))+0+$top" "${1:-docs/balloon.png}"
echo "${1:-docs/balloon.png} (balloon $balloon)"
wineserver -k
