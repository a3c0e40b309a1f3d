#!/usr/bin/env bash
# Compiles the help pages of docs/help/ into the HTML Help file that the
# settings window opens from its ヘ ル プ menu.
#
#   tools/build-help.sh OUTPUT.chm
#
# The sources are kept in UTF-8. The Japanese help viewer reads a CHM whose
# language is 0x411 in code page 932, so every text file is converted to CP932
# in a scratch folder first, and the pages' charset=UTF-8 declarations become
# charset=Shift_JIS. chmcmd (Debian package fp-utils) then compiles the
# project. The two compile-time stamps that chmcmd writes (the ITSF header's
# and the one in #SYSTEM, both the millisecond of the day) are set to zero, so
# that the same sources always give the same bytes.
set -euo pipefail
export LC_ALL=C

die() { echo "build-help: $*" >&2; exit 1; }

[ $# -eq 1 ] || { echo "usage: build-help.sh OUTPUT.chm" >&2; exit 2; }

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/../docs/help" && pwd)
project=Sorel.hhp
out=$1
case $out in /*) ;; *) out=$PWD/$out ;; esac

for tool in chmcmd iconv od dd; do
    command -v "$tool" >/dev/null || die "$tool not found (chmcmd comes with the Debian package fp-utils)"
done
[ -f "$src/$project" ] || die "$src/$project not found"

work=$(mktemp -d "${TMPDIR:-/tmp}/build-help.XXXXXX")
trap 'rm -rf "$work"' EXIT

# 1. Copy the sources, converting the text files to code page 932.
for f in "$src"/*; do
    [ -f "$f" ] || continue
    name=${f##*/}
    case $name in
        *.htm|*.html|*.hhp|*.hhc|*.hhk|*.css)
            iconv -f UTF-8 -t CP932 "$f" >"$work/$name" \
                || die "$name: not UTF-8, or holds a character that code page 932 lacks"
            ;;
        *)
            cp "$f" "$work/$name"
            ;;
    esac
done

# 2. The pages now are Shift_JIS and must say so.
for page in "$work"/*.htm "$work"/*.html; do
    [ -f "$page" ] || continue
    sed -i 's/charset=utf-8/charset=Shift_JIS/I' "$page"
    grep -q 'charset=Shift_JIS' "$page" || die "${page##*/}: declares no charset (expected charset=UTF-8 in the source)"
done

# 3. Compile. chmcmd ends with status 0 even when it cannot read the project,
#    so its messages and its result are checked as well.
compiled=$(sed -n 's/^Compiled file=//p' "$work/$project" | tr -d '\r')
[ -n "$compiled" ] || die "$project names no 'Compiled file'"
log=$work/chmcmd.log
status=0
(cd "$work" && chmcmd "$project") >"$log" 2>&1 || status=$?
if [ $status -ne 0 ] || grep -Eqi "^(warning|error)|can't find|exception" "$log"; then
    cat "$log" >&2
    die "chmcmd failed (status $status)"
fi
chm=$work/$compiled
[ -s "$chm" ] || { cat "$log" >&2; die "chmcmd produced no $compiled"; }
[ "$(head -c 4 "$chm")" = ITSF ] || die "$compiled is not a CHM file (no ITSF signature)"

# 4. Zero the compile-time stamps.
zero4() { printf '\0\0\0\0' | dd of="$chm" bs=1 seek="$1" count=4 conv=notrunc status=none; }
# Bytes as " xx" each, so that a match can only start on a byte.
hex() { od -An -v -tx1 "$@" | tr -s ' \n' '  ' | sed 's/ *$//'; }
zero4 16                                  # ITSF header: time stamp (big-endian)
# #SYSTEM starts with its version (3) and then entry 10, four bytes of time
# stamp. The entry is found by its exact bytes, stamp included, in the
# uncompressed section of the file.
system_head=$(cd "$work" && 7z x -so "$compiled" '#SYSTEM' 2>/dev/null | head -c 12 | hex) || system_head=
if [ ${#system_head} -eq 36 ] && [ "${system_head:0:24}" = " 03 00 00 00 0a 00 04 00" ]; then
    whole=$(hex "$chm")
    rest=${whole#*"$system_head"}
    if [ "$rest" != "$whole" ] && [ "${rest#*"$system_head"}" = "$rest" ]; then
        at=$(( (${#whole} - ${#rest}) / 3 - 4 ))
        zero4 "$at"
    else
        echo "build-help: note: #SYSTEM time stamp not found once; left as compiled" >&2
    fi
elif command -v 7z >/dev/null; then
    echo "build-help: note: #SYSTEM has an unexpected layout; time stamp left as compiled" >&2
fi

mkdir -p "$(dirname "$out")"
cp "$chm" "$out.tmp"
mv "$out.tmp" "$out"
echo "build-help: wrote $out ($(wc -c <"$out") bytes)"
