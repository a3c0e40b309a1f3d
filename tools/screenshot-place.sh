#!/usr/bin/env bash
# Photographs the settings window with its 控え dialog open, for the README:
#   tools/screenshot-place.sh [OUT.png [DPI]]
# (default docs/place-dialog.png at 96 DPI). The place is a folder on drive
# E: of the prefix, chosen and marked as the dialog itself would, with the
# agent's record of the copies made so far.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/screenshot-lib.sh
shot_prepare "${1:-docs/place-dialog.png}" "${2:-96}" open_place_dialog

demo="$drive_c/デモ"
mkdir -p "$demo"
echo "家計簿" > "$demo/家計簿.xls"
echo "日記" > "$demo/diary.txt"
shot_settings 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls' 'C:\デモ\diary.txt'
shot_place_on_e
printf 'copy\t2026-12-01\tC:\\デモ\\家計簿.xls\r\ncopy\t2026-12-06\tC:\\デモ\\diary.txt\r\n' \
    | iconv -f UTF-8 -t CP932 > "$health/health.txt"

# The window and its dialog, together.
shot_take 3 'ソ レ ル|控え' open_place_dialog.exe
