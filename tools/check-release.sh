#!/usr/bin/env bash
# Checks the release programs in dist/: 32-bit and without any manifest (only
# a program without one that asks for an execution level gets the Windows
# directory virtualised for a standard user, so that it can keep Varnix.vnx),
# stripped of debug information, and carrying version information with a
# Japanese and an English block for Explorer's Properties.
set -euo pipefail
export LC_ALL=C
dist=${1:?usage: check-release.sh DIST_DIR}
status=0
for exe in Sorel.exe Sorel2.exe; do
    f="$dist/$exe"
    if [ ! -f "$f" ]; then
        echo "FAIL $exe: not in $dist (build the windows-x86 preset first)"; status=1; continue
    fi
    format=$(i686-w64-mingw32-objdump -f "$f" | sed -n 's/.*file format //p')
    if [ "$format" != "pei-i386" ]; then
        echo "FAIL $exe: format $format, not 32-bit"; status=1
    fi
    if grep -aqE 'requestedExecutionLevel|urn:schemas-microsoft-com:asm' "$f"; then
        echo "FAIL $exe: carries a manifest"; status=1
    fi
    if i686-w64-mingw32-objdump -h "$f" | grep -qE ' \.(debug|zdebug)'; then
        echo "FAIL $exe: carries debug sections"; status=1
    fi
    # The version resource's texts are UTF-16.
    for key in VS_VERSION_INFO StringFileInfo 041104B0 040904B0 ProductName LegalCopyright; do
        if ! python3 -c 'import sys; sys.exit(sys.argv[2].encode("utf-16-le") not in open(sys.argv[1], "rb").read())' \
            "$f" "$key"; then
            echo "FAIL $exe: no version information ($key)"; status=1
        fi
    done
    if i686-w64-mingw32-objdump -p "$f" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
        echo "FAIL $exe: not linked statically"; status=1
    fi
    [ $status -ne 0 ] || echo "ok   $exe: 32-bit, no manifest, static, stripped, version information"
done
if [ -f "$dist/Sorel.chm" ] && head -c 4 "$dist/Sorel.chm" | grep -q ITSF; then
    echo "ok   Sorel.chm: beside the programs"
else
    echo "FAIL Sorel.chm: not in $dist"; status=1
fi
expected="Sorel.chm Sorel.exe Sorel2.exe xxHash-LICENSE.txt はじめに.txt"
packed=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' \
    "$dist/Sorel.zip" 2>/dev/null || true)
if [ "$packed" = "$expected" ]; then
    echo "ok   Sorel.zip: $packed"
else
    echo "FAIL Sorel.zip holds [$packed], not [$expected]"; status=1
fi
exit $status
