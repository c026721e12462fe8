#!/usr/bin/env bash
# Creates the lab's Wine prefix for one build tree (once): a fresh prefix that reports
# Windows XP x64 (5.2). Usage: lab/prefix.sh <build-dir> [prefix folder]
# (the prefix folder defaults to <build-dir>/wineprefix)
set -euo pipefail
build=$(cd "$1" && pwd)
export WINEPREFIX="${2:-$build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$WINEPREFIX/.kelo-ready" ]; then
  exit 0
fi
echo "lab: creating the Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wine winecfg -v winxp64 >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.kelo-ready"
