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
#              (each second copy flushed, read back from the disk and
#              renamed); the unchanged run with a place, per file; and the
#              unchanged run with the place's drive gone, against no place
# The place is a drive of its own, E:, an ext4 image on a loop device: a file
# system that reads past the cache (O_DIRECT) when asked, as a USB stick does
# and tmpfs does not. DATA_DISK=1 (the default) puts the listed files, and so
# their backUp folders, on a second image, so that both copies of the run go
# to block devices, not to the disk the prefix and the build share with
# whatever else runs. Both need root; without it the place is a folder on C:.
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
disks=$(mktemp -d /tmp/sorel-bench-disks.XXXXXX)
mounts=()
cleanup() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
    rm -rf "$WINEPREFIX" "$disks"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
wineserver -p
sorel_prepare_prefix

drive_c="$WINEPREFIX/drive_c"
data="$drive_c/bench"
mkdir -p "$data"
# mount_image NAME SIZE_MB MOUNTPOINT: a fresh ext4 image on a loop device
# (sparse: it takes only what is written); mount's loop devices go with umount.
mount_image() {
    truncate -s "${2}M" "$disks/$1.img" && mkfs.ext4 -q -F "$disks/$1.img" &&
        mount -o loop "$disks/$1.img" "$3" && mounts=("$3" "${mounts[@]}")
}
own_disks=0
if [ "$(id -u)" -eq 0 ] && command -v mkfs.ext4 >/dev/null && [ -e /dev/loop-control ]; then
    own_disks=1
fi
if [ "$own_disks" = 1 ] && [ "${DATA_DISK:-1}" = 1 ]; then
    # Three generations and the copies beside them: about five times the files.
    mount_image data 2048 "$data" || { echo "the files' image would not mount" >&2; exit 1; }
fi
if [ "$own_disks" = 1 ]; then
    # Every round leaves 20 dated copies (200 MB) at the place.
    mkdir -p "$disks/place"
    mount_image place "$(( (rounds + 4) * 256 ))" "$disks/place" ||
        { echo "the place's image would not mount" >&2; exit 1; }
    place_root=$disks/place place_drive='E:'
    ln -s "$place_root" "$WINEPREFIX/dosdevices/e:"
else
    echo "note: not root (or no mkfs.ext4 or loop devices): the place is a folder on C:, the files on the prefix's disk" >&2
    place_root=$drive_c place_drive='C:'
fi
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

# The second copy, at the place.
identity='{0123ABCD-4567-89AB-CDEF-0123456789AB}'
appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")
place=$place_root/place
mkdir -p "$appdata/Sorel" "$place/Sorel"
printf '%s\r\n' 'Sorel marker 1' "identity	$identity" 'computer	PC' 'user	bench' \
    > "$place/Sorel/Sorel.id"
choose() { printf '%s\r\n' 'Sorel place 1' "folder	$1" "identity	$identity" > "$appdata/Sorel/place.txt"; }
choose "$place_drive\\place"
place_times=(); both_times=(); place_ratios=(); checked_times=(); checked_ratios=()
beside="$data/gen1" incoming="$place/incoming"
mkdir -p "$beside" "$incoming"
for ((r = 0; r < rounds; r++)); do
    change_all "place $r" "2020-03-$((r + 10)) 12:00"
    t0=$(now)
    cp --preserve=timestamps "$data"/*.dat "$beside"/
    cp --preserve=timestamps "$data"/*.dat "$incoming"/
    sync -f "$data"; sync -f "$place"; t1=$(now)
    rm -f "$beside"/* "$incoming"/*; sync
    # The same work with the system's tools, as the run must do it: the first
    # copy beside the files, the second at the place under a name of its own,
    # on the disk, read back from the disk (not the cache), and renamed.
    t2=$(now)
    cp --preserve=timestamps "$data"/*.dat "$beside"/
    for f in "$data"/*.dat; do cp --preserve=timestamps "$f" "$incoming/~${f##*/}"; done
    sync
    for f in "$data"/*.dat; do dd if="$incoming/~${f##*/}" iflag=direct bs=1M of=/dev/null status=none; done
    for f in "$data"/*.dat; do mv "$incoming/~${f##*/}" "$incoming/2020-03-$((r + 10)) ${f##*/}"; done
    t3=$(now)
    rm -f "$beside"/* "$incoming"/*; sync
    write_settings "${list[@]}"
    sync
    run_s=$(run_agent); t4=$(now); sync -f "$data"; sync -f "$place"; t5=$(echo "$(now) + $run_s" | bc -l)
    both_times+=("$(elapsed "$t0" "$t1")"); place_times+=("$(elapsed "$t4" "$t5")")
    checked_times+=("$(elapsed "$t2" "$t3")")
    place_ratios+=("$(echo "($t5 - $t4) / ($t1 - $t0)" | bc -l)")
    checked_ratios+=("$(echo "($t5 - $t4 - $empty) / ($t3 - $t2)" | bc -l)")
    versions=$(find "$place/Sorel" -name "2020-03-$((r + 10)) *" | wc -l)
    [ "$versions" -eq 20 ] || { echo "only $versions second copies made" >&2; exit 1; }
done
rmdir "$beside" "$incoming"
# Unchanged files with the place there: every file's copy is already at it.
place_empty_times=(); place_full_times=()
for ((r = 0; r < rounds; r++)); do
    write_settings
    place_empty_times+=("$(run_agent)")
    write_settings "${list[@]}"
    place_full_times+=("$(run_agent)")
done
# The place's drive gone, as a pulled stick leaves it (on C:, a folder that
# is not there), against no place chosen.
absent_times=(); none_times=()
for ((r = 0; r < rounds; r++)); do
    if [ "$place_drive" = E: ]; then rm "$WINEPREFIX/dosdevices/e:"; else choose 'C:\absent'; fi
    absent_times+=("$(run_agent)")
    rm -f "$appdata/Sorel/place.txt"
    none_times+=("$(run_agent)")
    if [ "$place_drive" = E: ]; then ln -s "$place_root" "$WINEPREFIX/dosdevices/e:"; fi
    choose "$place_drive\\place"
done
if [ "$place_drive" = E: ]; then
    where="E:, ext4 on a loop device"
    [ "${DATA_DISK:-1}" = 1 ] && where="$where; the files on another"
else
    where="a folder on C:"
fi
printf 'second copy:     20 changed files, %d rounds; the place %s\n' "$rounds" "$where"
printf '  agent run, both copies %.2f s; cp of both %.2f s (medians)\n' \
    "$(median "${place_times[@]}")" "$(median "${both_times[@]}")"
printf '  ratio to cp    %.2f x (median; target <= 1.3)\n' "$(median "${place_ratios[@]}")"
printf '  changed run with a place, less the process start: agent %.2f s; cp, sync, dd iflag=direct and mv %.2f s; ratio %.2f x (medians)\n' \
    "$(echo "$(median "${place_times[@]}") - $empty" | bc -l)" \
    "$(median "${checked_times[@]}")" "$(median "${checked_ratios[@]}")"
place_empty=$(median "${place_empty_times[@]}"); place_full=$(median "${place_full_times[@]}")
printf '  unchanged run with a place: empty list %.0f ms; 20 files %.0f ms; per file %.2f ms (medians)\n' \
    "$(echo "$place_empty * 1000" | bc -l)" "$(echo "$place_full * 1000" | bc -l)" \
    "$(echo "($place_full - $place_empty) * 1000 / 20" | bc -l)"
absent=$(median "${absent_times[@]}"); none=$(median "${none_times[@]}")
printf '  unchanged run, place absent %.0f ms; no place %.0f ms; %.0f ms more (target <= 50)\n' \
    "$(echo "$absent * 1000" | bc -l)" "$(echo "$none * 1000" | bc -l)" \
    "$(echo "($absent - $none) * 1000" | bc -l)"
