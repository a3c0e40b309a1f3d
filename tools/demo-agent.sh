#!/usr/bin/env bash
# Builds the agent and shows it at work under Wine: two
# files are listed in a fresh settings file, the agent's start-up run backs
# them up, one file is changed "on a later day", and a second run rotates it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Sorel2 >/dev/null

. tools/wine-env.sh
sorel_fresh_prefix run
echo "Preparing a Wine prefix with a Japanese system locale..."
sorel_prepare_prefix

drive_c="$WINEPREFIX/drive_c"
demo="$drive_c/デモ"
mkdir -p "$demo"
echo "家計簿 1日目" > "$demo/家計簿.txt"
echo "日記 1日目" > "$demo/diary.txt"
touch -d '2 days ago' "$demo/家計簿.txt" "$demo/diary.txt"
# The settings file is code page 932 text with CR LF line ends.
printf 'C:\\Tools\\Sorel\\=221\r\n2009年5月21日\r\nC:\\デモ\\家計簿.txt\r\nC:\\デモ\\diary.txt\r\n' \
    | iconv -f UTF-8 -t CP932 > "$drive_c/windows/Varnix.vnx"

show() {
    echo "--- $1"
    ls -l --time-style=+%F "$demo/backUp" | tail -n +2 | awk '{print "    " $6, $5 " bytes", $7}'
    echo "    Varnix.vnx:"
    iconv -f CP932 -t UTF-8 "$drive_c/windows/Varnix.vnx" | sed 's/\r$//; s/^/      /'
}

wine build/windows-x64/bin/Sorel2.exe
show "after the first start-up run (generation 1 of each file)"

echo "家計簿 2日目" > "$demo/家計簿.txt"
touch -d 'yesterday' "$demo/家計簿.txt"
wine build/windows-x64/bin/Sorel2.exe
show "after the file was changed on a later day (家計簿 rotated: 11 new, 22 old)"
