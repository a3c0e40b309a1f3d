#!/usr/bin/env bash
# Two agents of two users (or two PCs) on one listed file: each in a Wine
# prefix of its own, so each has its own wineserver and its own single-copy
# check, and both see the file's folder through Z:. Share modes do not hold
# between two wineservers; the per-file lock must.
#   1. While a process outside either wineserver holds the file's lock, an
#      agent leaves the file's generations alone; once it is let go, the
#      agent of the other prefix stores the file.
#   2. Both agents start together, round after round, on a file changed each
#      day; afterwards the generations are the last three states, each whole,
#      none lost or doubled.
#   two_agents.sh SOREL2_EXE STARTUP_TIMER_EXE
# Runs in $WINEPREFIX (prepared, as tools/wine-tests.sh leaves it) on a
# display. ROUNDS and SIZE_MB change the second part's size.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
agent=$1 timer=$2 rounds=${ROUNDS:-3} size_mb=${SIZE_MB:-20}
. "$here/tools/wine-env.sh"
sorel_prepare_prefix
first=$WINEPREFIX
second=$(mktemp -d /tmp/sorel-second.XXXXXX)
data=$(mktemp -d /tmp/sorel-shared.XXXXXX)
holder=""
cleanup() {
    [ -z "$holder" ] || kill "$holder" 2>/dev/null || true
    WINEPREFIX=$second wineserver -k 2>/dev/null || true
    rm -rf "$second" "$data"
}
trap cleanup EXIT
# A copy of the prepared prefix costs far less than a fresh one.
rm -rf "$second" && cp -a "$first" "$second"
WINEPREFIX=$second wineserver -p

file="$data/big.dat"
agent_w=$(winepath -w "$agent")
state() { printf 'state %d\n' "$1"; head -c "$((size_mb * 1000 * 1000))" /dev/zero | tr '\0' "$1"; }
# The file as state n, last written on day n.
edit() { state "$1" > "$file"; touch -d "2009-04-1$1 12:00" "$file"; }
list_file() {
    local prefix
    for prefix in "$first" "$second"; do
        printf '%s\r\n' 'C:\Tools\=221' '2000/1/1' "Z:${file//\//\\}" \
            > "$prefix/drive_c/windows/Varnix.vnx"
    done
}
run_agent() { WINEPREFIX=$1 wine "$timer" "$agent_w" 1 close > /dev/null; }
fail() { echo "$*" >&2; exit 1; }
# Generation n holds the given state, whole; "-" for none.
expect() {
    local n=1 want g
    for want in "$@"; do
        g="$data/backUp/$n${n}big.dat"
        if [ "$want" = - ]; then
            [ ! -e "$g" ] || fail "$label: generation $n should not exist"
        else
            [ -f "$g" ] || fail "$label: generation $n missing"
            cmp -s "$g" <(state "$want") || fail "$label: generation $n is not state $want"
        fi
        n=$((n + 1))
    done
    if ls -A "$data/backUp" | grep -q '^~new~'; then fail "$label: incoming copy left behind"; fi
}

label="first store"
edit 1; list_file; run_agent "$first"; expect 1 - -

label="lock held elsewhere"
edit 2; list_file
# A shared lock: it keeps out any agent whose lock really excludes others.
python3 -c '
import fcntl, os, sys, time
f = open(sys.argv[1], "a+")
fcntl.lockf(f, fcntl.LOCK_SH | fcntl.LOCK_NB, 1, 0)
open(sys.argv[2], "w").close()
time.sleep(120)' "$data/backUp/~lck~big.dat" "$data/held" &
holder=$!
for _ in $(seq 100); do [ -e "$data/held" ] && break; sleep 0.1; done
[ -e "$data/held" ] || fail "the lock could not be taken from outside"
run_agent "$first"; expect 1 - -
kill "$holder"; wait "$holder" 2>/dev/null || true; holder=""
label="lock let go"
run_agent "$second"; expect 2 1 -

for ((r = 3; r < 3 + rounds; r++)); do
    label="round $r together"
    edit "$r"; list_file
    run_agent "$first" & one=$!
    run_agent "$second" & two=$!
    wait "$one" "$two"
    expect "$r" $((r - 1)) $((r - 2))
done
echo "two agents: a lock held elsewhere kept, $rounds rounds of $size_mb MB together"
