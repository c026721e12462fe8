#!/usr/bin/env bash
# Installs what is missing, builds the x86-64 and i686 targets and runs every test
# under Wine (in a virtual display, so dialogs and the tray icon work too).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/lab/system-path.sh"
cd "$root"
start=$(date +%s)

./lab/setup.sh
python3 lab/provenance.py
for arch in x86_64 i686; do
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch.cmake" >/dev/null
  cmake --build "build/$arch" -j"$(nproc)"
done

./lab/prefix.sh build/x86_64
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" ./lab/run-tests.sh build/x86_64 "$@" || status=$?
echo "lab: tests finished with status $status after $(( $(date +%s) - start )) s"
exit $status
