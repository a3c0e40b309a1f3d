#!/usr/bin/env bash
# Photographs the settings window with a few files listed, for the README:
#   tools/screenshot-settings.sh [OUT.png [DPI]]
# (default docs/settings-window.png at 96 DPI; 144 makes the caption, the menu
# bar and the scroll bars half as tall again, as a 150 % display does).
# Runs Sorel.exe under Wine on a virtual display with a prepared settings
# file, brings the window up from its minimized start and crops the picture
# to the window.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/settings-window.png}
dpi=${2:-96}
tools/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Sorel restore_window >/dev/null
bin=build/windows-x64/bin

. tools/wine-env.sh
sorel_fresh_prefix shot
sorel_prepare_prefix
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
# Made without a display; its wineserver must be gone before the programs
# start on the virtual one, or they join a session that has no screen.
wineserver -w

drive_c="$WINEPREFIX/drive_c"
demo="$drive_c/デモ"
mkdir -p "$demo"
head -c 3000000 /dev/zero > "$demo/家計簿.xls"
head -c 800000 /dev/zero > "$demo/diary.txt"
head -c 5200000 /dev/zero > "$demo/住所録.csv"
head -c 1500000 /dev/zero > "$demo/report.docx"
printf 'C:\\Tools\\Sorel\\=221\r\n2009年5月21日\r\nC:\\デモ\\家計簿.xls\r\nC:\\デモ\\diary.txt\r\nC:\\デモ\\住所録.csv\r\nC:\\デモ\\report.docx\r\n' \
    | iconv -f UTF-8 -t CP932 > "$drive_c/windows/Varnix.vnx"

mkdir -p "$(dirname "$out")"
# Inside the virtual display: start the window, bring it up, and crop the
# screen to it (Wine draws the frame itself, there is no window manager).
export out bin
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine "$bin/Sorel.exe" &
    wine "$bin/restore_window.exe"
    sleep 2
    line=$(xwininfo -root -tree | grep -F "\"ソ レ ル\"" | head -n 1)
    size=$(echo "$line" | awk "{print \$(NF-1)}" | cut -d+ -f1)
    at=$(echo "$line" | awk "{print \$NF}")
    import -window root -crop "$size$at" +repage "$out"
    wineserver -k || true
'
echo "Wrote $out"
