#!/usr/bin/env bash
# Photographs the settings window with a few files listed, for the README:
#   tools/screenshot-settings.sh [OUT.png [DPI]]
# (default docs/settings-window.png at 96 DPI; 144 makes the caption, the menu
# bar and the scroll bars half as tall again, as a 150 % display does).
# Runs Sorel.exe with a prepared settings file and brings the window up from
# its minimized start.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/screenshot-lib.sh
shot_prepare "${1:-docs/settings-window.png}" "${2:-96}" restore_window

demo="$drive_c/デモ"
mkdir -p "$demo"
head -c 3000000 /dev/zero > "$demo/家計簿.xls"
head -c 800000 /dev/zero > "$demo/diary.txt"
head -c 5200000 /dev/zero > "$demo/住所録.csv"
head -c 1500000 /dev/zero > "$demo/report.docx"
shot_settings 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls' 'C:\デモ\diary.txt' \
    'C:\デモ\住所録.csv' 'C:\デモ\report.docx'

shot_take 2 'ソ レ ル' restore_window.exe
