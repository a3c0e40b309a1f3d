#!/usr/bin/env bash
# Runs a libFuzzer target for a bounded time from the kept inputs, without
# writing into the source tree. The fuzzing time of a whole test run is
# FUZZ_SECONDS (default 60); each target takes its SHARE of it in percent
# (default all). New inputs it finds go to a temporary folder; a crashing
# input is kept in build/ for a look.
#   tools/run-fuzz.sh TARGET CORPUS_DIR [SHARE]
set -euo pipefail
target=$1
corpus=$2
seconds=$(( ${FUZZ_SECONDS:-60} * ${3:-100} / 100 ))
[ "$seconds" -ge 1 ] || seconds=1
work=$(mktemp -d /tmp/sorel-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0
"$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$(dirname "$target")/" "$work" "$corpus" > "$work.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work.log"
else
    grep -E '^Done|number_of_executed_units|new_units_added' "$work.log"
fi
rm -f "$work.log"
exit "$status"
