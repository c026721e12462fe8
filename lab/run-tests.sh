#!/usr/bin/env bash
# Runs ctest for one build tree with a wineserver kept up for the whole run (each
# Windows process then starts in a fraction of the time), and stops it afterwards.
# Extra arguments go to ctest. Usage: lab/run-tests.sh <build-dir> [ctest args]
set -uo pipefail
build=$(cd "$1" && pwd); shift
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
wineserver -p
# Start Wine's own background processes now, detached from ctest's output pipes:
# ctest waits for every process holding a test's output open.
wine cmd /c exit </dev/null >/dev/null 2>&1
status=0
ctest --test-dir "$build" --output-on-failure --timeout 600 "$@" || status=$?
wineserver -k 2>/dev/null
exit $status
