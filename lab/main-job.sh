#!/usr/bin/env bash
# The main job: the whole road of one print job in the lab. It installs what it needs,
# builds, makes a fresh Wine prefix, installs the Kelo Print Driver from its Windows
# Installer package (pointing at the lab's provider stand-in), starts the client on a
# virtual display, prints a document, logs in as a user would, and follows the document
# to the provider and the order page. Screenshots and the log stay in the output folder.
#
# Usage: lab/main-job.sh [--document FILE.ps] [--name "document name"]
#                        [--provider HOST:PORT] [--user NAME] [--password TEXT]
#                        [--out FOLDER]
#   --document   the PostScript file to print (default: lab/mainjob/sample-order.ps)
#   --provider   another provider's address instead of the stand-in on 127.0.0.1
#   --out        where the log, screenshots and received file go (default: build/main-job)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/lab/system-path.sh"

usage() { sed -n '8,13p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

# The second stage runs on the virtual display (see the end of this file).
if [ "${1:-}" = --on-display ]; then
  shift
  out=$1; shift
  export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  build="$root/build/x86_64"
  cleanup() { wineserver -k 2>/dev/null || true; }
  trap cleanup EXIT
  # A Wine desktop of its own at the top left of the display: Wine then draws the
  # windows' frames, and window coordinates are screen coordinates for the screenshots.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
  # What Wine lacks: the PostScript printer driver the real installer brings.
  wine "$build/lab/printers/lab-printers.exe" driver >/dev/null
  status=0
  wine "$build/lab/mainjob/lab-main-job.exe" "$@" --out "$(winepath -w "$out")" \
      --package "$(winepath -w "$build/lab/install/KeloPrintDriver.msi")" </dev/null 2>&1 |
    while IFS= read -r line; do
      line=${line%$'\r'}
      if [[ $line == @screenshot\ * ]]; then
        read -r _ name x y w h <<<"$line"
        import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/.$name.png" &&
          mv "$out/.$name.png" "$out/$name.png"
      else
        printf '%s\n' "$line"
      fi
    done || status=$?
  exit "$status"
fi

document="$root/lab/mainjob/sample-order.ps"
name="Kelo sample order"
out="$root/build/main-job"
road=()
while [ $# -gt 0 ]; do
  case $1 in
    --document) [ $# -ge 2 ] || usage; document=$(realpath "$2"); name=$(basename "$2"); shift 2 ;;
    --name) [ $# -ge 2 ] || usage; name=$2; shift 2 ;;
    --provider|--user|--password) [ $# -ge 2 ] || usage; road+=("$1" "$2"); shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out=$(realpath -m "$2"); shift 2 ;;
    *) usage ;;
  esac
done
[ -f "$document" ] || { echo "main job: no such document: $document" >&2; exit 2; }

cd "$root"
./lab/setup.sh
python3 lab/provenance.py
cmake -S . -B build/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake >/dev/null
cmake --build build/x86_64 --target lab-main-job kelo_msi lab-printers

rm -rf "$out"
mkdir -p "$out"
./lab/prefix.sh build/x86_64 "$out/wineprefix"
echo
echo "main job: printing \"$name\" ($document)"
echo
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display "$out" \
    --document "$(WINEPREFIX="$out/wineprefix" winepath -w "$document" 2>/dev/null)" --name "$name" "${road[@]}" |
  tee "$out/main-job.log" || status=$?
echo
echo "main job: log         $out/main-job.log"
for picture in "$out"/*.png; do
  [ -e "$picture" ] && echo "main job: screenshot  $picture"
done
[ -d "$out/received" ] && echo "main job: received    $out/received/"
if [ "$status" = 0 ]; then echo "main job: done"; else echo "main job: FAILED"; fi
exit "$status"
