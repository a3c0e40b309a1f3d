#!/usr/bin/env bash
# Photographs the settings window asking the first restore question of
# 前々使用日, for the README:
#   tools/screenshot-restore.sh [OUT.png [DPI]]
# (default docs/restore-question.png at 96 DPI)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/screenshot-lib.sh
shot_prepare "${1:-docs/restore-question.png}" "${2:-96}" ask_restore

demo="$drive_c/デモ"
mkdir -p "$demo/backUp"
for n in 11 22 33; do echo "$n" > "$demo/backUp/${n}家計簿.xls"; done
echo "今日" > "$demo/家計簿.xls"
shot_settings 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls'

# The window and its question, together.
shot_take 2 'ソ レ ル|データ復元（ソレル　２）' ask_restore.exe
