#!/usr/bin/env bash
# The main job: the whole road of one print job in the lab, from printing a document
# to the provider's order page opening in the browser.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./lab/setup.sh
cmake -S . -B build/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake >/dev/null
cmake --build build/x86_64 -j"$(nproc)"
./lab/prefix.sh build/x86_64
echo
echo "main job: the print road is not complete yet; only the foundation library is built."
