#!/usr/bin/env bash
# Builds the 64-bit programs and starts the settings window under Wine, in a
# fresh prefix with a few example files already listed. With a display the
# window stays until you close it (the agent starts then, as on Windows);
# without one it runs on a virtual display and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
if [ -z "${DISPLAY:-}" ]; then
    # No screen to show it on: run it on a virtual one and photograph it.
    shot=build/run-settings-window.png
    tools/screenshot-settings.sh "$shot" >/dev/null
    echo "No display here: Sorel.exe ran on a virtual display; its window is in $shot"
    exit 0
fi
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Sorel Sorel2 restore_window sorel_help >/dev/null
bin=build/windows-x64/bin

. tools/wine-env.sh
sorel_fresh_prefix run
echo "Preparing a Wine prefix with a Japanese system locale..."
sorel_prepare_prefix
wineserver -w

# The programs live together in one folder, as unzipped from the release.
app="$WINEPREFIX/drive_c/Tools/Sorel"
mkdir -p "$app"
cp "$bin/Sorel.exe" "$bin/Sorel2.exe" "$bin/Sorel.chm" "$app/"
demo="$WINEPREFIX/drive_c/デモ"
mkdir -p "$demo"
echo "家計簿" > "$demo/家計簿.xls"
echo "日記" > "$demo/diary.txt"
printf '%s\r\n' 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls' 'C:\デモ\diary.txt' \
    | iconv -f UTF-8 -t CP932 > "$WINEPREFIX/drive_c/windows/Varnix.vnx"

echo "Starting Sorel.exe; close its window (終了) to end."
wine "$app/Sorel.exe" &
# The window is created minimised, as on Windows; bring it up.
wine "$bin/restore_window.exe" >/dev/null 2>&1 || true
wait
