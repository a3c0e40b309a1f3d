#!/usr/bin/env bash
# Photographs the settings window asking the first restore question of
# 前々使用日, for the README:
#   tools/screenshot-restore.sh [OUT.png [DPI]]
# (default docs/restore-question.png at 96 DPI)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/restore-question.png}
dpi=${2:-96}
tools/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Sorel ask_restore >/dev/null
bin=build/windows-x64/bin

. tools/wine-env.sh
sorel_fresh_prefix shot
sorel_prepare_prefix
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w

demo="$WINEPREFIX/drive_c/デモ"
mkdir -p "$demo/backUp"
for n in 11 22 33; do echo "$n" > "$demo/backUp/${n}家計簿.xls"; done
echo "今日" > "$demo/家計簿.xls"
printf '%s\r\n' 'C:\Tools\Sorel\=221' '2009年5月21日' 'C:\デモ\家計簿.xls' \
    | iconv -f UTF-8 -t CP932 > "$WINEPREFIX/drive_c/windows/Varnix.vnx"

mkdir -p "$(dirname "$out")"
export out bin
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine "$bin/Sorel.exe" &
    wine "$bin/ask_restore.exe"
    sleep 2
    # The window and its question, together: the smallest box around both.
    box=$(xwininfo -root -tree | grep -E "\"(ソ レ ル|データ復元（ソレル　２）)\"" | awk "{print \$(NF-1), \$NF}" |
          awk "{split(\$1, s, \"[x+]\"); split(\$2, p, \"+\"); x=p[2]; y=p[3]; r=x+s[1]; b=y+s[2];
                if (NR==1 || x<X) X=x; if (NR==1 || y<Y) Y=y; if (r>R) R=r; if (b>B) B=b}
                END {print R-X \"x\" B-Y \"+\" X \"+\" Y}")
    import -window root -crop "$box" +repage "$out"
    wineserver -k || true
'
echo "Wrote $out"
