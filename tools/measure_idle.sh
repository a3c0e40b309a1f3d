#!/usr/bin/env bash
# Measures what the resident agent costs while idle under Wine: CPU time over
# a period (default 600 s) of the agent and of the wineserver, which serves
# its 5-second settings-file poll, and the agent's resident memory.
#   tools/measure_idle.sh [SECONDS] [baseline]
# With "baseline", Wine's notepad stands in for the agent: what an idle
# program that does not poll costs the same wineserver. PAD_MB=N appends N MB
# of further lines to the settings file, as a hand-edited or damaged one might
# have. PLACE=1 chooses a second-copy place as well (a marked folder on C:),
# so that its copies are made in the start-up run and the idle agent can be
# compared with one that has no place. The processes measured are this
# prefix's, whatever else runs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
baseline=${2:-}
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
. tools/wine-env.sh
sorel_fresh_prefix idle
sorel_prepare_prefix
mkdir -p "$WINEPREFIX/drive_c/data"
for i in $(seq 1 20); do echo "file $i" > "$WINEPREFIX/drive_c/data/f$i.txt"; done
{ printf '%s\r\n' 'C:\Tools\=221' '2000/1/1'; for i in $(seq 1 20); do printf 'C:\\data\\f%d.txt\r\n' "$i"; done; } \
    > "$WINEPREFIX/drive_c/windows/Varnix.vnx"
if [ "${PAD_MB:-0}" -gt 0 ]; then
    yes 'C:\data\padding.txt' | head -c "$((PAD_MB * 1000 * 1000))" | sed 's/$/\r/' \
        >> "$WINEPREFIX/drive_c/windows/Varnix.vnx" || true  # yes ends by SIGPIPE
fi
if [ "${PLACE:-0}" = 1 ]; then
    identity='{0123ABCD-4567-89AB-CDEF-0123456789AB}'
    mkdir -p "$WINEPREFIX/drive_c/place/Sorel"
    printf '%s\r\n' 'Sorel marker 1' "identity	$identity" 'computer	PC' 'user	idle' \
        > "$WINEPREFIX/drive_c/place/Sorel/Sorel.id"
    appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")
    mkdir -p "$appdata/Sorel"
    printf '%s\r\n' 'Sorel place 1' 'folder	C:\place' "identity	$identity" > "$appdata/Sorel/place.txt"
fi
# The newest process of this prefix whose command line matches.
prefix_pid() {
    local p
    for p in $(pgrep -f "$1" | sort -rn); do
        if tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"; return
        fi
    done
}
if [ "$baseline" = baseline ]; then
    wine notepad &
    sleep 5
    agent=$(prefix_pid 'notepad')
else
    wine build/windows-x64/bin/Sorel2.exe &
    sleep 5   # start-up run done
    agent=$(prefix_pid 'Sorel2.exe')
fi
server=$(prefix_pid 'wineserver')
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
a0=$(ticks "$agent"); s0=$(ticks "$server")
sleep "$seconds"
a1=$(ticks "$agent"); s1=$(ticks "$server")
rss=$(awk '/VmRSS/ {print $2}' "/proc/$agent/status")
agent_s=$(echo "($a1 - $a0) / $hz" | bc -l)
server_s=$(echo "($s1 - $s0) / $hz" | bc -l)
printf 'idle agent over %d s: agent CPU %.2f s (%.4f%% of one core), wineserver CPU %.2f s (%.4f%%)\n' \
    "$seconds" "$agent_s" "$(echo "$agent_s * 100 / $seconds" | bc -l)" \
    "$server_s" "$(echo "$server_s * 100 / $seconds" | bc -l)"
printf 'agent resident memory: %d KiB (process %s: %s)\n' "$rss" "$agent" "$(tr '\0' ' ' < "/proc/$agent/cmdline")"
if [ "${PLACE:-0}" = 1 ]; then
    printf 'second copies at the place: %d\n' "$(find "$WINEPREFIX/drive_c/place/Sorel" -type f -name '????-??-?? *' | wc -l)"
fi
