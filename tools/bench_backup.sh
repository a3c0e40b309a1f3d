#!/usr/bin/env bash
# Times the agent's start-up run under Wine against the same work done by cp.
#   changed:   20 files of mixed sizes (about 200 MB), every one changed, each
#              with three generations already stored; ratio to
#              cp --preserve=timestamps of the same files
#   unchanged: 20 unchanged files; the walk's cost per file, with the process
#              start taken out by timing a run over an empty list as well
#   place:     the changed run again with a second copy chosen (both copies
#              in one run), against cp writing both, and, less the process
#              start, against the same work done with the system's tools
#              (each second copy flushed, compared and renamed); and the
#              unchanged run with the chosen place absent, against no place
# Prints the median of several rounds. Needs the windows-x64 build. The agent
# stays resident after its start-up run, so a small timer program starts it,
# notes when it first waits for input (the run is over then) and ends it; it
# runs on a virtual display, where Wine has a notification area for its icon.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
rounds=${ROUNDS:-5}
agent=${AGENT:-build/windows-x64/bin/Sorel2.exe}   # AGENT=path times another build
timer=build/windows-x64/bin/startup_timer.exe
[ -f "$agent" ] && [ -f "$timer" ] || { echo "build the windows-x64 preset first" >&2; exit 1; }

. tools/wine-env.sh
sorel_fresh_prefix bench
wineserver -p
sorel_prepare_prefix

drive_c="$WINEPREFIX/drive_c"
data="$drive_c/bench"
mkdir -p "$data"
settings="$drive_c/windows/Varnix.vnx"
sizes_mb=(40 30 25 20 15 12 10 8 8 6 5 5 4 3 3 2 2 1 1 1)
list=()
for i in "${!sizes_mb[@]}"; do
    head -c "$((sizes_mb[i] * 1000 * 1000 + i * 777))" /dev/urandom > "$data/file$i.dat"
    list+=("C:\\bench\\file$i.dat")
done
# Line 1, line 2 and the given paths, each ended by CR LF.
write_settings() { printf '%s\r\n' 'C:\Tools\=221' '2000/1/1' "$@" > "$settings"; }
now() { date +%s.%N; }
# Seconds from starting the agent until its start-up run is over.
run_agent() {
    wine "$timer" "$(winepath -w "$agent")" 1 close | sed -n 's/^run 1: \([0-9]*\) ms.*/\1/p' |
        awk '{print $1 / 1000}'
}
# Every file gets new bytes in place and the given last-write time.
change_all() {
    for f in "$data"/*.dat; do
        printf '%s' "$1" | dd of="$f" bs=1 seek=100 conv=notrunc status=none
    done
    touch -d "$2" "$data"/*.dat
    sync
}
elapsed() { echo "$2 - $1" | bc -l; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Three generations of every file, so that each round is a full rotation.
day=1
for _ in 1 2 3; do
    touch -d "2020-01-0$day 12:00" "$data"/*.dat
    write_settings "${list[@]}"; run_agent >/dev/null; day=$((day + 1))
done

ratios=(); dd_ratios=(); agent_times=(); cp_times=(); dd_times=()
copies=$(mktemp -d /tmp/sorel-bench-cp.XXXXXX)
for ((r = 0; r < rounds; r++)); do
    change_all "round $r" "2020-02-$((r + 10)) 12:00"
    # Each copy is timed until its data is on disk, so that write-back done
    # during one run is not left for the next to pay.
    t0=$(now); cp --preserve=timestamps "$data"/*.dat "$copies"/; sync -f "$copies"; t1=$(now)
    # The same copy through user space, as any Windows program's copy goes.
    t2=$(now)
    for f in "$data"/*.dat; do
        dd if="$f" of="$copies/u-${f##*/}" bs=1M status=none; touch -r "$f" "$copies/u-${f##*/}"
    done
    sync -f "$copies"; t3=$(now)
    write_settings "${list[@]}"
    sync
    run_s=$(run_agent); t4=$(now); sync -f "$data"; t5=$(echo "$(now) + $run_s" | bc -l)
    cp_times+=("$(elapsed "$t0" "$t1")"); dd_times+=("$(elapsed "$t2" "$t3")")
    agent_times+=("$(elapsed "$t4" "$t5")")
    ratios+=("$(echo "($t5 - $t4) / ($t1 - $t0)" | bc -l)")
    dd_ratios+=("$(echo "($t5 - $t4) / ($t3 - $t2)" | bc -l)")
    if ls "$data/backUp" | grep -q '^~'; then echo "incoming copy left behind" >&2; exit 1; fi
    rm -f "$copies"/*
done
rm -rf "$copies"
total_mb=$(du -sm --apparent-size "$data"/*.dat | awk '{s += $1} END {print s}')

empty_times=(); full_times=()
for ((r = 0; r < rounds; r++)); do
    write_settings
    t0=0; t1=$(run_agent)
    write_settings "${list[@]}"
    t2=0; t3=$(run_agent)
    empty_times+=("$(elapsed "$t0" "$t1")"); full_times+=("$(elapsed "$t2" "$t3")")
done
empty=$(median "${empty_times[@]}"); full=$(median "${full_times[@]}")
per_file_ms=$(echo "($full - $empty) * 1000 / 20" | bc -l)

printf 'changed files:   20 files, %d MB, %d rounds\n' "$total_mb" "$rounds"
printf '  agent run      %.2f s (median)\n' "$(median "${agent_times[@]}")"
printf '  cp             %.2f s (median; in-kernel copy_file_range)\n' "$(median "${cp_times[@]}")"
printf '  dd bs=1M       %.2f s (median; through user space)\n' "$(median "${dd_times[@]}")"
printf '  ratio to cp    %.2f x (median; target <= 1.3)\n' "$(median "${ratios[@]}")"
printf '  ratio to dd    %.2f x (median)\n' "$(median "${dd_ratios[@]}")"
run_only=$(echo "$(median "${agent_times[@]}") - $empty" | bc -l)
printf '  run less the process start (%.0f ms): %.2f s, %.2f x cp, %.2f x dd\n' \
    "$(echo "$empty * 1000" | bc -l)" "$run_only" \
    "$(echo "$run_only / $(median "${cp_times[@]}")" | bc -l)" \
    "$(echo "$run_only / $(median "${dd_times[@]}")" | bc -l)"
printf 'unchanged files: 20 files, %d rounds\n' "$rounds"
printf '  run, empty list %.0f ms; run, 20 files %.0f ms (medians)\n' \
    "$(echo "$empty * 1000" | bc -l)" "$(echo "$full * 1000" | bc -l)"
printf '  walk per file  %.2f ms (target < 2)\n' "$per_file_ms"

# The second copy. The place is a folder of the same disk here: the timing is
# what the agent adds to the copying, not a second disk's speed.
identity='{0123ABCD-4567-89AB-CDEF-0123456789AB}'
appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")
mkdir -p "$appdata/Sorel" "$drive_c/place/Sorel"
printf '%s\r\n' 'Sorel marker 1' "identity	$identity" 'computer	PC' 'user	bench' \
    > "$drive_c/place/Sorel/Sorel.id"
choose() { printf '%s\r\n' 'Sorel place 1' "folder	$1" "identity	$identity" > "$appdata/Sorel/place.txt"; }
choose 'C:\place'
place_times=(); both_times=(); place_ratios=(); checked_times=(); checked_ratios=()
copies=$(mktemp -d /tmp/sorel-bench-cp.XXXXXX); mkdir -p "$copies/a" "$copies/b"
for ((r = 0; r < rounds; r++)); do
    change_all "place $r" "2020-03-$((r + 10)) 12:00"
    t0=$(now)
    cp --preserve=timestamps "$data"/*.dat "$copies/a"/
    cp --preserve=timestamps "$data"/*.dat "$copies/b"/
    sync -f "$copies"; t1=$(now)
    rm -f "$copies"/a/* "$copies"/b/*; sync
    # The same work with the system's tools, as the second copy must do it:
    # each copy at the place flushed, read back and compared, then renamed.
    t2=$(now)
    cp --preserve=timestamps "$data"/*.dat "$copies/a"/
    for f in "$data"/*.dat; do
        cp --preserve=timestamps "$f" "$copies/b/~${f##*/}"; sync "$copies/b/~${f##*/}"
        cmp -s "$f" "$copies/b/~${f##*/}"; mv "$copies/b/~${f##*/}" "$copies/b/${f##*/}"
    done
    sync -f "$copies"; t3=$(now)
    write_settings "${list[@]}"
    sync
    run_s=$(run_agent); t4=$(now); sync -f "$data"; t5=$(echo "$(now) + $run_s" | bc -l)
    both_times+=("$(elapsed "$t0" "$t1")"); place_times+=("$(elapsed "$t4" "$t5")")
    checked_times+=("$(elapsed "$t2" "$t3")")
    place_ratios+=("$(echo "($t5 - $t4) / ($t1 - $t0)" | bc -l)")
    checked_ratios+=("$(echo "($t5 - $t4 - $empty) / ($t3 - $t2)" | bc -l)")
    versions=$(find "$drive_c/place/Sorel" -name "2020-03-$((r + 10)) *" | wc -l)
    [ "$versions" -eq 20 ] || { echo "only $versions second copies made" >&2; exit 1; }
    rm -f "$copies"/a/* "$copies"/b/*
done
rm -rf "$copies"
absent_times=(); none_times=()
write_settings "${list[@]}"
for ((r = 0; r < rounds; r++)); do
    choose 'C:\absent'
    absent_times+=("$(run_agent)")
    rm -f "$appdata/Sorel/place.txt"
    none_times+=("$(run_agent)")
done
printf 'second copy:     20 changed files, %d rounds\n' "$rounds"
printf '  agent run, both copies %.2f s; cp of both %.2f s (medians)\n' \
    "$(median "${place_times[@]}")" "$(median "${both_times[@]}")"
printf '  ratio to cp    %.2f x (median; target <= 1.3)\n' "$(median "${place_ratios[@]}")"
printf '  cp, flush, cmp and mv of each second copy %.2f s; ratio of the run less the process start %.2f x (medians)\n' \
    "$(median "${checked_times[@]}")" "$(median "${checked_ratios[@]}")"
absent=$(median "${absent_times[@]}"); none=$(median "${none_times[@]}")
printf '  unchanged run, place absent %.0f ms; no place %.0f ms; %.0f ms more (target <= 50)\n' \
    "$(echo "$absent * 1000" | bc -l)" "$(echo "$none * 1000" | bc -l)" \
    "$(echo "($absent - $none) * 1000" | bc -l)"
