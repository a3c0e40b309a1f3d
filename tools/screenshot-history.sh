#!/usr/bin/env bash
# Photographs the settings window with its 履歴 dialog open for 家計簿.xls,
# for the README:
#   tools/screenshot-history.sh [OUT.png [DPI]]
# (default docs/history-dialog.png at 96 DPI). The file has three
# generations and the copy kept by a restore; a second place is chosen on
# drive E: of the prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/screenshot-lib.sh
shot_prepare "${1:-docs/history-dialog.png}" "${2:-96}" open_place_dialog

demo="$drive_c/デモ"
mkdir -p "$demo"
echo "日記" > "$demo/diary.txt"
shot_settings 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls' 'C:\デモ\diary.txt'
shot_place_on_e
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

# The window and its dialog, together.
shot_take 3 'ソ レ ル|履歴' open_place_dialog.exe history
