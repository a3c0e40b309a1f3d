#!/usr/bin/env bash
# Times the settings window's start under Wine with a warm wineserver, from
# process start to its first wait for input (settings loaded, window painted),
# with ten files listed. Needs the windows-x64 build.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
bin=build/windows-x64/bin
. tools/wine-env.sh
sorel_fresh_prefix startup
wineserver -p
sorel_prepare_prefix
mkdir -p "$WINEPREFIX/drive_c/data"
{ printf '%s\r\n' 'C:\Tools\=221' '2000/1/1'
  for i in $(seq 1 10); do
      head -c $((i * 100000)) /dev/zero > "$WINEPREFIX/drive_c/data/f$i.dat"
      printf 'C:\\data\\f%d.dat\r\n' "$i"
  done; } > "$WINEPREFIX/drive_c/windows/Varnix.vnx"
# The first start also fills Wine's font cache; it is not counted.
wine "$bin/startup_timer.exe" "$(winepath -w "$bin/Sorel.exe")" 1 >/dev/null
wine "$bin/startup_timer.exe" "$(winepath -w "$bin/Sorel.exe")" 10
