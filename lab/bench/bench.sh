#!/usr/bin/env bash
# Benchmarks of the system under Wine, each against a baseline measured in the same run:
#   1. capture: a generated PostScript document through the spooler stand-in, ZoltPort
#      and KeloEngine into the job folder, against the stand-in copying it (--copy-only)
#   2. close: the engine's scan and job.xml, against reading the file once
#   3. upload: KeloWeb's zipped upload against curl posting the same body; the
#      component's packer against gzip -6
#   4. latency: end of printing to the browser's start through KeloClient (skipped while
#      the client cannot complete a job)
# Results go to <build-dir>/bench/results.md and are printed at the end. Timings are
# medians; the machine's load is recorded with them. Nothing checks the numbers.
#
# It works in a scratch Wine prefix of its own (<build-dir>/bench/wineprefix), made
# afresh and removed at the end with the generated files, the provider stand-in and
# every process it started; the build's own prefix is not touched.
#
# Usage: lab/bench/bench.sh <build-dir> [--runs N] [--runs-4k N] [--latency-runs N]
#                           [--size BYTES] [--parts capture,close,upload,latency]
#   --runs N          runs per measure (default 3)
#   --runs-4k N       runs of the capture with 4 KiB blocks (default 1: about ten minutes each)
#   --latency-runs N  measured jobs of the latency part, after one that logs in (default 5)
#   --size BYTES      the document's size (default 104857600)
#   --blocks LIST     the capture's block sizes (default 4096,65536)
#   --client yes|no   the capture also with KeloClient attached (default yes)
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  # The latency part drives the client's windows: everything runs under one display.
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/lab/system-path.sh"
build=$(cd "${1:?usage: bench.sh <build-dir> [options]}" && pwd)
shift
runs=3 runs4k=1 latency_runs=5 size=104857600 parts=capture,close,upload,latency stall_seconds=120
block_sizes=4096,65536 with_client=yes
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --runs-4k) runs4k=$2; shift 2 ;;
    --latency-runs) latency_runs=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --parts) parts=$2; shift 2 ;;
    --blocks) block_sizes=$2; shift 2 ;;
    --client) with_client=$2; shift 2 ;;
    *) echo "bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
wanted() { [[ ",$parts," == *",$1,"* ]]; }

out="$build/bench"
work="$out/work"
results="$out/results.md"
printer="Kelo Bench"
monitor_key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\ZOLT Print Port'
client_key='HKLM\SOFTWARE\Vorlane\Kelo Print Driver'
spooler="$build/lab/spooler/lab-spooler.exe"
bench="$build/lab/bench"

cmake --build "$build" --target KeloEngine ZoltPort KeloWeb KeloReg KeloClient lab-spooler lab-printers \
  bench-calls bench-close bench-web bench-latency >/dev/null

export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
provider_pid=
provider_port=
cleanup() {
  set +e
  if [ -d "$WINEPREFIX" ]; then
    wine "$bench/bench-calls.exe" end-server >/dev/null 2>&1
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
  fi
  if [ -n "$provider_port" ]; then curl -s -m 10 -X POST "http://127.0.0.1:$provider_port/_lab/shutdown" >/dev/null; fi
  if [ -n "$provider_pid" ]; then
    for _ in $(seq 50); do kill -0 "$provider_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$provider_pid" 2>/dev/null
  fi
  rm -rf "$WINEPREFIX" "$work"
}
trap cleanup EXIT

# --- helpers ----------------------------------------------------------------------

log() { echo "bench: $*" >&2; }
calc() { awk "BEGIN { printf \"%.${2:-1}f\", $1 }"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.1f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
list() { local IFS=,; echo "$*"; }
mibs() { calc "$bytes / 1048576 / ($1 / 1000)"; }          # MiB/s for a time in ms
field() { sed -n "s/.* $1=\\([^ ]*\\).*/\\1/p" <<<"$2" | head -1; }  # field <key> <line>
now_ms() { echo $(($(date +%s%N) / 1000000)); }
mtime() { stat -c %.6Y "$1"; }
load() { uptime | sed 's/^ *//'; }
md() { echo "$*" >>"$results"; }
winpath() { winepath -w "$1" 2>/dev/null; }

# Starts the scratch prefix's Wine session (wineserver and Wine's own services)
# detached from this script's output.
start_wine() {
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

# Ends every process of the scratch prefix and starts the session again, with the
# engine running (its first activation costs about a second).
restart_wine() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  start_wine
  warm_up
}

warm_up() {
  run_win warm-up "$spooler" --quiet-blocks --block 65536 --print "$printer" "$(winpath "$work/small.ps")" >/dev/null
  rm -rf "${jobs_dir:?}"/*
}

# Runs a Windows program with its output in a file (a server started by COM keeps the
# standard handles of its starter: no pipe of this script may be among them).
run_win() {  # run_win <log name> <program> <args...>; prints the output
  local logfile="$work/$1.log"
  shift
  if ! wine "$@" >"$logfile" 2>&1 </dev/null; then
    log "failed: $* ($logfile):"
    cat "$logfile" >&2
    return 1
  fi
  cat "$logfile"
}

# The client's components registered and its settings as the installer leaves them
# (its version, English); client_off takes the registrations back.
client_on() {
  keloreg=$(winpath "$build/regkey/KeloReg.dll") keloweb=$(winpath "$build/web/KeloWeb.dll")
  wine regsvr32 /s "$keloreg" >/dev/null 2>&1
  wine regsvr32 /s "$keloweb" >/dev/null 2>&1
  wine reg add "$client_key" /v Version /d 5.0.2 /f >/dev/null 2>&1
  wine reg add "$client_key" /v language /t REG_DWORD /d 1 /f >/dev/null 2>&1
}
client_off() {
  wine regsvr32 /s /u "$keloweb" >/dev/null 2>&1
  wine regsvr32 /s /u "$keloreg" >/dev/null 2>&1
}

# bench-latency with the client on the printer; its output in $work/<log name>.log.
latency_run() {  # latency_run <log name> <bench-latency arguments after the printer...>
  local name=$1
  shift
  wine "$bench/bench-latency.exe" "$(winpath "$build/client/KeloClient.exe")" "$(winpath "$spooler")" "$printer" \
    "$@" >"$work/$name.log" 2>&1 </dev/null
}

# --- the scratch prefix, the provider stand-in, the printer ---------------------------

log "scratch prefix $WINEPREFIX"
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work"
wineboot -i >/dev/null 2>&1
wine winecfg -v winxp64 >/dev/null 2>&1
# A Wine desktop of its own, as in the main job: without a window manager on the
# display, Wine waits two seconds for every window it hides (the client's upload window).
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver -w
start_wine

python3 "$root/lab/provider/provider.py" --state-dir "$work/provider" --no-tls --detach --max-lifetime 7200 \
  </dev/null >/dev/null 2>&1 &
provider_pid=$!
for _ in $(seq 300); do [ -f "$work/provider/ports" ] && break; sleep 0.1; done
provider_port=$(sed -n 's/^port=//p' "$work/provider/ports")
provider="http://127.0.0.1:$provider_port"

run_win printers-driver "$build/lab/printers/lab-printers.exe" driver >/dev/null
run_win printers-add "$build/lab/printers/lab-printers.exe" add "$printer" --port ZOLT0 \
  --ip "127.0.0.1:$provider_port" >/dev/null
wine reg add "$monitor_key" /v Driver /d "$(winpath "$build/monitor/ZoltPort.dll")" /f >/dev/null 2>&1
wine reg add "$monitor_key\\Private\\ZOLT0" /f >/dev/null 2>&1
run_win engine-register "$build/engine/KeloEngine.exe" /RegServer >/dev/null

log "generating the documents"
python3 "$root/lab/bench/make_document.py" "$work/document.ps" "$size"
python3 "$root/lab/bench/make_document.py" "$work/small.ps" 1048576 2
doc="$work/document.ps"
doc_w=$(winpath "$doc")
bytes=$(stat -c %s "$doc")
pages=$(grep -c '^%%Page: ' "$doc")

# The first activation of the engine costs about a second; the engine then holds the
# printer's driver and stays up for the rest of the run.
jobs_dir="$WINEPREFIX/drive_c/users/$(id -un)/Temp/KeloJobs/$printer"
warm_up
[ -d "$jobs_dir" ] || { log "no job folder under $jobs_dir"; exit 1; }

cat >"$results" <<EOF
# Kelo benchmarks

- Date: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) cores; $(wine --version 2>/dev/null); scratch Wine prefix (removed afterwards).
- Load at the start: $(load)
- Document: $bytes bytes ($(calc "$bytes / 1048576") MiB), $pages A4 pages of text and grey pictures in hexadecimal.
- Times are medians over the runs listed; a ratio is the system's time divided by the baseline's (1.0: as fast as the baseline).
EOF

# --- 1. capture -----------------------------------------------------------------------

# One document through the monitor and the engine; prints "<ms> <close ms> <blocks>".
# A job whose file has not grown for $stall_seconds seconds while the stand-in still
# runs has stalled: the stand-in is ended, the Wine session started afresh, and it prints
# "stalled <bytes written> <ms from the start to the last write>".
capture_run() {
  local logfile="$work/capture.log" pid start since layout size last=-1 report description
  rm -rf "${jobs_dir:?}"/*
  start=$(now_ms)
  since=$start
  wine "$spooler" --quiet-blocks --block "$1" --print "$printer" "$doc_w" >"$logfile" 2>&1 </dev/null &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    layout=$(find "$jobs_dir" -name layout.ps 2>/dev/null | head -1)
    size=0
    [ -n "$layout" ] && size=$(stat -c %s "$layout")
    if [ "$size" != "$last" ]; then
      last=$size since=$(now_ms)
    elif [ $(($(now_ms) - since)) -gt $((stall_seconds * 1000)) ]; then
      echo "stalled $size $(calc "$(mtime "$layout") * 1000 - $start" 0)"
      kill "$pid"
      wait "$pid" 2>/dev/null || true
      restart_wine
      return 0
    fi
  done
  wait "$pid" || { log "capture failed ($logfile):"; cat "$logfile" >&2; return 1; }
  report=$(grep '^document ' "$logfile")
  [ "$(field result "$report")" = printed ] || { log "capture failed: $report"; return 1; }
  layout=$(find "$jobs_dir" -name layout.ps | head -1)
  description="${layout%/layout.ps}/job.xml"
  cmp -s "$layout" "$doc" || { log "the job folder's layout.ps differs from the document"; return 1; }
  # The file's last write is the last block; job.xml is written at the end of the close.
  echo "$(field ms "$report") $(calc "($(mtime "$description") - $(mtime "$layout")) * 1000") $(field blocks "$report")"
  rm -rf "${jobs_dir:?}"/*
}

copy_run() {
  local report
  report=$(run_win copy "$spooler" --quiet-blocks --block "$1" --copy-only "$doc_w" "$(winpath "$work/copy.ps")" | grep '^document ')
  [ "$(field result "$report")" = copied ] || { log "copy failed: $report"; return 1; }
  rm -f "$work/copy.ps"
  field ms "$report"
}

if wanted capture; then
  md ""
  md "## 1. Capture: the document through the spooler stand-in, ZoltPort and KeloEngine into the job folder"
  md ""
  md "Baseline: the stand-in writing the same blocks into a file (\`--copy-only\`). Times from the stand-in's \`document ms=\` (in the process, from the printer lookup to ClosePort); the close part is the time between the last write of layout.ps and job.xml."
  md ""
  md "| Block | Monitor + engine | Copy only | Ratio | splWritePrinter calls | Close part | Beyond the copy, per block |"
  md "|---|---|---|---|---|---|---|"
  stalls=()
  declare -A copy_of
  for block in ${block_sizes//,/ }; do
    n=$runs
    [ "$block" = 4096 ] && n=$runs4k
    cap=() closes=() copies=() blocks=0 stalled=
    for i in $(seq "$n"); do
      log "capture, $block-byte blocks, run $i of $n"
      measured=$(capture_run "$block")
      if [[ "$measured" == stalled* ]]; then
        read -r _ written until <<<"$measured"
        stalled="$written $until"
        stalls+=("$block $written $until")
        log "capture stalled after $written bytes"
        break
      fi
      read -r ms close blocks <<<"$measured"
      cap+=("$ms") closes+=("$close")
    done
    for i in $(seq "$runs"); do copies+=("$(copy_run "$block")"); done
    c=$(median "${copies[@]}")
    copy_cell="$c ms ($(mibs "$c") MiB/s; runs $(list "${copies[@]}"))"
    if [ -n "$stalled" ]; then
      read -r written until <<<"$stalled"
      blocks=$((written / block))
      rate=$(calc "$written / 1048576 / ($until / 1000)")
      md "| $((block / 1024)) KiB | **stalled** after $(calc "$written / 1048576") MiB ($blocks blocks) in $until ms ($rate MiB/s until then) | $copy_cell | $(calc "$(mibs "$c") / $rate") (by rate) | $blocks | - | $(calc "$until / $blocks" 2) ms |"
      continue
    fi
    m=$(median "${cap[@]}") cl=$(median "${closes[@]}")
    md "| $((block / 1024)) KiB | $m ms ($(mibs "$m") MiB/s; runs $(list "${cap[@]}")) | $copy_cell | $(calc "$m / ($c > 0 ? $c : 1)") | $blocks | $cl ms | $(calc "($m - $c - $cl) / $blocks" 2) ms |"
    copy_of[$block]=$c
  done
  # The same with KeloClient on the printer: the engine calls the client once per block.
  [ "$with_client" = yes ] && client_on
  for block in ${block_sizes//,/ }; do
    [ "$with_client" = yes ] || break
    n=$runs
    [ "$block" = 4096 ] && n=$runs4k
    log "capture with the client attached, $block-byte blocks, $n runs"
    if latency_run capture-client "$(winpath "$work/small.ps")" 65536 "$n" --capture "$doc_w" "$block"; then
      cap=($(sed -n 's/^capture ms=\([0-9.]*\) .*/\1/p' "$work/capture-client.log"))
      blocks=$(sed -n 's/^capture .*blocks=\([0-9]*\).*/\1/p' "$work/capture-client.log" | head -1)
      m=$(median "${cap[@]}") c=${copy_of[$block]}
      md "| $((block / 1024)) KiB, client attached | $m ms ($(mibs "$m") MiB/s; runs $(list "${cap[@]}")) | $c ms | $(calc "$m / ($c > 0 ? $c : 1)") | $blocks | - | $(calc "($m - $c) / $blocks" 2) ms |"
    else
      md "| $((block / 1024)) KiB, client attached | failed: $(tail -1 "$work/capture-client.log") | | | | | |"
    fi
  done
  [ "$with_client" = yes ] && client_off
  for stall in "${stalls[@]}"; do
    read -r block written until <<<"$stall"
    md ""
    md "The capture with $((block / 1024)) KiB blocks stalled: layout.ps stopped growing at $written bytes and the stand-in waited ${stall_seconds} s more without progress; it was ended and the Wine session started afresh."
  done
  log "engine calls of a document, 200 times each"
  calls=$(run_win calls "$bench/bench-calls.exe" blocks "$printer" 200)
  md ""
  md "Where a document's engine calls go, from another process (each step 200 times, average per step):"
  md ""
  md "| Step | ms per step |"
  md "|---|---|"
  while read -r name rest; do
    case "$name" in
      activation) what="the engine's binding at the start of a document: CoCreateInstance (class context 23) + OleRun + QueryInterface + release" ;;
      call) what="splWritePrinter through the engine object kept for the document: each block's engine call" ;;
      round_trip) what="GetTypeInfoCount through the same object: a call the engine answers without work of its own (Wine's marshaling)" ;;
      *) continue ;;
    esac
    md "| $what | $(field per_call_ms " $rest") |"
  done <<<"$calls"
  md ""
  md "Load after the capture: $(load)"
fi

# --- 2. close -------------------------------------------------------------------------

if wanted close; then
  log "close: scan and job.xml in process, and splClose through the engine"
  inproc=$(run_win close "$bench/bench-close.exe" "$doc_w" "$runs")
  engine=$(run_win close-engine "$bench/bench-calls.exe" close "$printer" "$doc_w" "$runs")
  read_ms=$(field median_ms " $(grep '^read ' <<<"$inproc")")
  scan_line=$(grep '^scan ' <<<"$inproc")
  scan_ms=$(field median_ms " $scan_line")
  scan_memory_line=$(grep '^scan_memory ' <<<"$inproc")
  xml_ms=$(field median_ms " $(grep '^jobxml ' <<<"$inproc")")
  close_line=$(grep '^splClose ' <<<"$engine")
  close_ms=$(field median_ms " $close_line")
  md ""
  md "## 2. The close of a job: PostScript scan and job.xml"
  md ""
  md "Baseline: reading the file once with ReadFile in 51,200-byte chunks (the scan's chunk size), in the same process; the file is in the page cache for both."
  md ""
  md "| Measure | Time | Ratio to the read |"
  md "|---|---|---|"
  md "| read once (baseline) | $read_ms ms ($(mibs "$read_ms") MiB/s; runs $(field runs_ms " $(grep '^read ' <<<"$inproc")")) | 1.0 |"
  md "| scan, in process | $scan_ms ms (runs $(field runs_ms " $scan_line")) | $(calc "$scan_ms / $read_ms") |"
  md "| scan of the same chunks already in memory (no file calls) | $(field median_ms " $scan_memory_line") ms | $(calc "$(field median_ms " $scan_memory_line") / $read_ms") |"
  md "| job.xml, in process | $xml_ms ms (runs $(field runs_ms " $(grep '^jobxml ' <<<"$inproc")")) | |"
  md "| scan + job.xml | $(calc "$scan_ms + $xml_ms") ms | $(calc "($scan_ms + $xml_ms) / $read_ms") |"
  md "| splClose through the engine (another process) | $close_ms ms (runs $(field runs_ms " $close_line")) | $(calc "$close_ms / $read_ms") |"
  memcpy_ms=$(field median_ms " $(grep '^pass_memcpy ' <<<"$inproc")")
  strlen_ms=$(field median_ms " $(grep '^pass_strlen ' <<<"$inproc")")
  memchr_ms=$(field median_ms " $(grep '^pass_memchr ' <<<"$inproc")")
  md ""
  md "The scanner reads each chunk in place, once: one pass finds the places where a keyword may start (\"%%\", \"/P\") or the chunk's text ends (a NUL), sixteen bytes at a time, and only those places are looked at further; the overlap of the chunks is carried over in the buffer, not read again. For comparison, one pass over the file's chunks with the C runtime's functions: memcpy $memcpy_ms ms, strlen $strlen_ms ms, memchr $memchr_ms ms, against $(field median_ms " $scan_memory_line") ms for the scan from memory."
  md ""
  md "The scan found $(field pages " $scan_line") pages, $(field width " $scan_line") x $(field height " $scan_line") inches; the engine's job.xml says paperCount $(field paperCount " $close_line")."
  md ""
  md "Load after the close: $(load)"
fi

# --- 3. upload ------------------------------------------------------------------------

curl_post() {  # curl_post <path>: seconds of one post of the component's body
  curl -s -o /dev/null -w '%{time_total}' -H 'Expect:' -H 'User-Agent: Orbel HTTP Client' \
    -H "Content-Type: $content_type" --data-binary @"$work/body.bin" "$provider$1"
}

if wanted upload; then
  log "upload: the component's packer and gzip -6"
  pack=$(run_win pack "$bench/bench-web.exe" pack "$doc_w" "$(winpath "$work/packed.zip")" "$runs")
  pack_ms=$(field median_ms " $pack")
  archive_bytes=$(field archive_bytes " $pack")
  gz=()
  for i in $(seq "$runs"); do
    start=$(now_ms)
    gzip -6 -c "$doc" >"$work/document.gz"
    gz+=($(($(now_ms) - start)))
  done
  gz_ms=$(median "${gz[@]}")
  gz_bytes=$(stat -c %s "$work/document.gz")
  rm -f "$work/document.gz" "$work/packed.zip"

  log "upload: startFileUpload with compress 1"
  curl -s -X POST "$provider/_lab/clear" >/dev/null
  upload=$(run_win upload "$bench/bench-web.exe" upload "$(winpath "$build/web/KeloWeb.dll")" \
    "127.0.0.1:$provider_port" "$doc_w" "$runs")
  # The body and headers of the component's last upload, for curl to send again.
  read -r seq content_type < <(curl -s "$provider/_lab/requests?bodies=0" | python3 -c '
import json, sys
last = [r for r in json.load(sys.stdin) if r.get("kind") == "upload"][-1]
print(last["seq"], dict(last["headers"])["Content-Type"])')
  curl -s -o "$work/body.bin" "$provider/_lab/requests/$seq/body"
  errors=$(curl -s "$provider/_lab/uploads" | python3 -c 'import json, sys; print(sum(len(u["errors"]) for u in json.load(sys.stdin)))')
  body_bytes=$(stat -c %s "$work/body.bin")

  log "upload: curl with the same body"
  endpoint=() discard=()
  for i in $(seq "$runs"); do
    curl -s -X POST "$provider/_lab/clear" >/dev/null
    endpoint+=("$(calc "$(curl_post /brisvel/versions/250/Comp/ISAPI/bvupload.dll) * 1000")")
    discard+=("$(calc "$(curl_post /bench/not-served) * 1000")")
  done
  curl -s -X POST "$provider/_lab/clear" >/dev/null
  rm -f "$work/body.bin"
  up_ms=$(field median_ms " $(grep '^upload ' <<<"$upload")")
  curl_ms=$(median "${endpoint[@]}")
  md ""
  md "## 3. Upload to the provider stand-in"
  md ""
  md "KeloWeb's \`startFileUpload\` with compress 1 (temporary copy, zip, multipart post in 10,240-byte writes, until the answer's headers) against curl (Linux, outside Wine) posting the body the stand-in received from the component ($body_bytes bytes, the same multipart form) to the same endpoint. The stand-in unpacks and stores each upload before it answers; curl's post to a path it does not serve (answered 404 after reading the body) shows the transfer alone. Upload layout errors the stand-in found: $errors."
  md ""
  md "| Measure | Time | Ratio |"
  md "|---|---|---|"
  md "| startFileUpload, compress 1 | $up_ms ms (runs $(field runs_ms " $(grep '^upload ' <<<"$upload")")) | $(calc "$up_ms / $curl_ms") to curl |"
  md "| - until the progress event 0 (copy, packing, request headers) | $(field median_ms " $(grep '^upload_before_body ' <<<"$upload")") ms | |"
  md "| - the body sent (event 0 to event 100) | $(field median_ms " $(grep '^upload_body ' <<<"$upload")") ms | |"
  md "| - waiting for the answer | $(field median_ms " $(grep '^upload_answer ' <<<"$upload")") ms | |"
  md "| curl, same body, upload endpoint (baseline) | $curl_ms ms (runs $(list "${endpoint[@]}")) | 1.0 |"
  md "| curl, same body, a path not served (transfer only) | $(median "${discard[@]}") ms (runs $(list "${discard[@]}")) | |"
  md ""
  md "| Packing the document | Time | Result | Ratio |"
  md "|---|---|---|---|"
  md "| the component's packer (minizip, deflate, default level) | $pack_ms ms ($(mibs "$pack_ms") MiB/s; runs $(field runs_ms " $pack")) | $archive_bytes bytes ($(calc "100 * $archive_bytes / $bytes")%) | $(calc "$pack_ms / $gz_ms") to gzip |"
  md "| gzip -6 (Linux, baseline) | $gz_ms ms ($(mibs "$gz_ms") MiB/s; runs $(list "${gz[@]}")) | $gz_bytes bytes ($(calc "100 * $gz_bytes / $bytes")%) | 1.0 |"
  md ""
  md "Load after the upload: $(load)"
fi

# --- 4. latency -----------------------------------------------------------------------

if wanted latency; then
  log "latency: KeloClient from the end of printing to the browser's start"
  client_on
  curl -s -X POST "$provider/_lab/clear" >/dev/null
  status=0
  latency_run latency "$(winpath "$work/small.ps")" 65536 "$latency_runs" || status=$?
  latency=$(cat "$work/latency.log")
  md ""
  md "## 4. Latency: end of printing to the browser's start, through KeloClient"
  md ""
  if [ "$status" = 0 ]; then
    line=$(grep '^latency ' <<<"$latency")
    md "A job of $(stat -c %s "$work/small.ps") bytes in 64 KiB blocks; from the stand-in's EndDocPort report line to the recorder's log line (the recorder is the browser). The first job also logs the client in and is shown apart."
    md ""
    md "| Measure | Time |"
    md "|---|---|"
    md "| latency, median of $latency_runs jobs | $(field median_ms " $line") ms (runs $(field runs_ms " $line")) |"
    md "| the first job (with the login: $(field login " $line")) | $(field first_ms " $line") ms |"
    curl -s "$provider/_lab/requests?bodies=0" >"$work/records.json"
    md ""
    md "The parts of a job's latency (medians over the jobs after the first), from the moments bench-latency saw (end of printing, job.xml, the browser's line) and the provider stand-in's records of each request (headers arrived, body read, answer sent):"
    md ""
    md "| Part | Time |"
    md "|---|---|"
    md "$(python3 "$root/lab/bench/latency_parts.py" "$work/latency.log" "$work/records.json")"
  elif [ "$status" = 3 ]; then
    reason=$(sed -n 's/^skipped reason="\(.*\)"$/\1/p' <<<"$latency")
    md "Skipped: KeloClient.exe did not complete a job ($reason). This needs the client's road of a job."
    log "latency skipped: $reason"
  else
    md "Failed (status $status):"
    md ""
    md '```'
    md "$latency"
    md '```'
  fi
  client_off
  md ""
  md "Load after the latency: $(load)"
fi

echo
cat "$results"
