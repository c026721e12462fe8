#!/usr/bin/env bash
# Drives one print job through the print engine from another process, in the lab's
# Wine prefix: registers KeloEngine, adds a printer of this system, runs engine-job.exe
# (start, three writes into the file the engine names, end, close) and shows the job's
# folder and job.xml. Cleans up afterwards: ends the server, unregisters the engine and
# removes the printer. Usage: lab/engine/engine-job.sh [<build-dir>]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/lab/system-path.sh"
build=$(cd "${1:-$root/build/x86_64}" && pwd)
printer="Kelo Job Demo"

if [ ! -f "$build/engine/KeloEngine.exe" ] || [ ! -f "$build/lab/engine/engine-job.exe" ]; then
  cmake --build "$build" --target KeloEngine engine-job lab-printers >/dev/null
fi
"$root/lab/prefix.sh" "$build"

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
wineserver -p
# Wine's background processes start detached from this script's output.
wine cmd /c exit </dev/null >/dev/null 2>&1
run() { "$build/wine-run" "$@"; }

cleanup() {
  run "$build/lab/engine/engine-job.exe" end-server || true
  run "$build/engine/KeloEngine.exe" /UnregServer || true
  run "$build/lab/printers/lab-printers.exe" remove "$printer" >/dev/null || true
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

run "$build/lab/printers/lab-printers.exe" add "$printer" --ip 127.0.0.1 >/dev/null
run "$build/engine/KeloEngine.exe" /RegServer
echo "engine registered; printer \"$printer\" added"
echo
run "$build/lab/engine/engine-job.exe" run "$printer"
