#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the pure
# logic natively under sanitizers, then the Windows programs and their tests
# under Wine in a fresh prefix with one warm wineserver.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

WINEPREFIX=$(mktemp -d /tmp/sorel-wine.XXXXXX)
export WINEPREFIX
. tools/wine-env.sh
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# One wineserver for the whole run: a cold start costs seconds per test.
wineserver -p
sorel_prepare_prefix
ctest --preset windows-x64
