#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the pure
# logic natively under sanitizers, a bounded fuzzing run, then the Windows
# programs and their tests under Wine (tools/wine-tests.sh) on a virtual
# display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

# About a minute of fuzzing of the settings reader and the path splitter,
# and of the health record.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

# The 32-bit release, gathered in dist/ and packed as dist/Sorel.zip.
cmake --workflow --preset release
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

# The Wine tests open windows, so they run on a virtual X display.
xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-tests.sh
