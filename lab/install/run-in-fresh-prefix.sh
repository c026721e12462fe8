#!/usr/bin/env bash
# Runs a Windows program in a fresh Wine prefix of its own (inside the build tree), with
# a wineserver kept up for the run, and removes the prefix afterwards. The package test
# installs and removes the system there, away from the build's shared lab prefix.
# Usage: run-in-fresh-prefix.sh <build-dir> <program> [arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/lab/system-path.sh"
build=$(cd "$1" && pwd); program=$2; shift 2
prefix=$(mktemp -d "$build/fresh-prefix.XXXXXX")
# A program that crashes ends at once instead of waiting in Wine's debugger.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
cleanup() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; rm -rf "$prefix"; }
trap cleanup EXIT
"$root/lab/prefix.sh" "$build" "$prefix" >/dev/null
wineserver -p
wine "$program" "$@" </dev/null
