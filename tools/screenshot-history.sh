#!/usr/bin/env bash
# Photographs the settings window with its 履歴 dialog open for 家計簿.xls,
# for the README:
#   tools/screenshot-history.sh [OUT.png [DPI]]
# (default docs/history-dialog.png at 96 DPI). The file has three
# generations and the copy kept by a restore; a second place is chosen on
# drive E: of the prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/history-dialog.png}
dpi=${2:-96}
tools/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Sorel open_place_dialog >/dev/null
bin=build/windows-x64/bin

. tools/wine-env.sh
sorel_fresh_prefix shot
sorel_prepare_prefix
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w

drive_c="$WINEPREFIX/drive_c"
demo="$drive_c/デモ"
mkdir -p "$demo"
echo "家計簿" > "$demo/家計簿.xls"
echo "日記" > "$demo/diary.txt"
printf '%s\r\n' 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls' 'C:\デモ\diary.txt' \
    | iconv -f UTF-8 -t CP932 > "$drive_c/windows/Varnix.vnx"

# Drive E: with the place, its marker, the choice and the record.
usb="$WINEPREFIX/usb"
mkdir -p "$usb/控え/Sorel"
ln -s "$usb" "$WINEPREFIX/dosdevices/e:"
id='{3F2504E0-4F89-11D3-9A0C-0305E82C3301}'
printf 'Sorel marker 1\r\nidentity\t%s\r\ncomputer\tPC-01\r\nuser\t花子\r\n' "$id" \
    | iconv -f UTF-8 -t CP932 > "$usb/控え/Sorel/Sorel.id"
health=$(ls -d "$drive_c"/users/*/AppData/Local | grep -v /Public/ | head -n 1)/Sorel
mkdir -p "$health"
printf 'Sorel place 1\r\nfolder\tE:\\控え\r\nidentity\t%s\r\n' "$id" \
    | iconv -f UTF-8 -t CP932 > "$health/place.txt"
# The generations, the kept copy and the versions, each with its own time.
mkdir -p "$demo/backUp/復元前"
state() { printf '%*s' "$2" x > "$1"; touch -d "$3" "$1"; }
state "$demo/家計簿.xls" 24576 '2026-12-07 09:12'
state "$demo/backUp/11家計簿.xls" 24064 '2026-12-04 18:40'
state "$demo/backUp/22家計簿.xls" 23552 '2026-12-03 21:05'
state "$demo/backUp/33家計簿.xls" 22528 '2026-12-01 08:30'
state "$demo/backUp/復元前/家計簿.xls" 24320 '2026-12-06 22:15'
printf 'copy\t2026-12-01\tC:\\デモ\\家計簿.xls\r\ncopy\t2026-12-06\tC:\\デモ\\diary.txt\r\n' \
    | iconv -f UTF-8 -t CP932 > "$health/health.txt"

mkdir -p "$(dirname "$out")"
export out bin
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine "$bin/Sorel.exe" &
    wine "$bin/open_place_dialog.exe" history
    sleep 3
    # The window and its dialog, together: the smallest box around both.
    box=$(xwininfo -root -tree | grep -E "\"(ソ レ ル|履歴)\"" | awk "{print \$(NF-1), \$NF}" |
          awk "{split(\$1, s, \"[x+]\"); split(\$2, p, \"+\"); x=p[2]; y=p[3]; r=x+s[1]; b=y+s[2];
                if (NR==1 || x<X) X=x; if (NR==1 || y<Y) Y=y; if (r>R) R=r; if (b>B) B=b}
                END {print R-X \"x\" B-Y \"+\" X \"+\" Y}")
    import -window root -crop "$box" +repage "$out"
    wineserver -k || true
'
echo "Wrote $out"
