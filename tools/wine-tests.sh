#!/usr/bin/env bash
# Runs the windows-x64 tests under Wine in a fresh prefix, with one warm
# wineserver for the whole run. tools/test.sh runs it on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
WINEPREFIX=$(mktemp -d /tmp/sorel-wine.XXXXXX)
export WINEPREFIX
. tools/wine-env.sh
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# A cold wineserver start costs seconds; keep one running for every test.
wineserver -p
sorel_prepare_prefix
ctest --preset windows-x64 "$@"
