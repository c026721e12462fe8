#!/usr/bin/env bash
# Screenshots of the client's windows, in English and in each shipped translation, as
# PNG files for review. Run by hand (nothing checks them); it starts its own virtual
# display when there is none. Usage: lab/gui/screenshots.sh <build-dir> [output-dir]
set -euo pipefail
. "$(dirname "$0")/../system-path.sh"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
build=$(cd "$1" && pwd)
out=$(mkdir -p "${2:-$build/screenshots}" && cd "${2:-$build/screenshots}" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
host="$build/client/ui/tests/kelo-dialog-host.exe"
client="$build/client/KeloClient.exe"
robot="$build/lab/gui/lab-robot.exe"
keloreg="$build/client/ui/tests/KeloReg.dll"
key='HKLM\SOFTWARE\Vorlane\Kelo Print Driver'
languages=(1 1031)  # English, then the shipped translations

wineserver -p
started=()
explorer='HKCU\Software\Wine\Explorer'
explorer_before=no
if wine reg query "$explorer" >/dev/null 2>&1; then explorer_before=yes; fi
keloreg_before=no
if wine reg query 'HKCR\CLSID\{7E903BB8-4631-4311-B4AB-424B769C49C8}' >/dev/null 2>&1; then keloreg_before=yes; fi
saved_settings="$out/.client-settings.reg"
settings_before=no
if wine reg export "$key" "$(winepath -w "$saved_settings")" /y >/dev/null 2>&1; then settings_before=yes; fi
cleanup() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ "$keloreg_before" = no ]; then wine regsvr32 /s /u "$keloreg" >/dev/null 2>&1 || true; fi
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  if [ "$settings_before" = yes ]; then wine reg import "$(winepath -w "$saved_settings")" >/dev/null 2>&1 || true; fi
  rm -f "$saved_settings"
  if [ "$explorer_before" = yes ]; then
    wine reg delete "$explorer" /v Desktop /f >/dev/null 2>&1 || true
    wine reg delete "$explorer\Desktops" /v Default /f >/dev/null 2>&1 || true
  else
    wine reg delete "$explorer" /f >/dev/null 2>&1 || true
  fi
  wineserver -k
}
trap cleanup EXIT
# A Wine desktop of its own at the top left of the display: Wine then draws the
# windows' frames and captions itself, as Windows does. It is chosen when Wine starts.
wine reg add "$explorer" /v Desktop /d Default /f >/dev/null 2>&1
wine reg add "$explorer\Desktops" /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver -k
wineserver -w
wineserver -p
wine regsvr32 /s "$keloreg" >/dev/null 2>&1

# shoot <file name> <window caption>: the window as it is on the screen now.
shoot() {
  local geometry x y w h
  geometry=$(wine "$robot" wait "$2" 20000 | tr -d '\r')
  read -r x y w h <<<"$geometry"
  sleep 0.5
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$1.png"
  echo "screenshots: $out/$1.png"
}

# dialog <file name> <caption> <host arguments...>: one dialog of the host.
dialog() {
  local name=$1 caption=$2
  shift 2
  wine "$host" "$@" >/dev/null 2>&1 &
  started+=($!)
  shoot "$name" "$caption"
  kill "$!" 2>/dev/null || true
  wait "$!" 2>/dev/null || true
}

caption() {  # caption <language> <English> <German>
  if [ "$1" = 1 ]; then echo "$2"; else echo "$3"; fi
}

for lang in "${languages[@]}"; do
  dialog "login-$lang" "$(caption "$lang" "Print Driver - Login" "Druckertreiber - Anmeldung")" \
    --language "$lang" login --user anna --password secret --remember
  dialog "loading-$lang" "$(caption "$lang" "Print Driver - Connecting To Host..." "Druckertreiber - Verbindung zum Server...")" \
    --language "$lang" loading
  dialog "settings-one-printer-$lang" "$(caption "$lang" "Print Driver - Printer Settings" "Druckertreiber - Druckereinstellungen")" \
    --language "$lang" settings --printer "Tom & Jerry=10.0.0.7"
  dialog "settings-printers-$lang" "$(caption "$lang" "Print Driver - Printer Settings" "Druckertreiber - Druckereinstellungen")" \
    --language "$lang" settings --printer "ZOLT Office=10.0.0.7" --printer "ZOLT Studio=print.example.com"
  dialog "choice-$lang" "$(caption "$lang" "Print Driver - Error!" "Druckertreiber - Error!")" \
    --language "$lang" choice --title "Error!" --prompt "The following error has occured : the server did not answer
What do you want to do" "Cancel the current operation" "Retry the last action" "Ignore the error and continue"

  # The main window of the client itself (after its message about the missing engine).
  wine reg add "$key" /v language /t REG_DWORD /d "$lang" /f >/dev/null 2>&1
  wine "$client" >/dev/null 2>&1 &
  started+=($!)
  error_caption=$(caption "$lang" "Print Driver - Error" "Druckertreiber - Fehler")
  shoot "engine-message-$lang" "$error_caption"
  wine "$robot" click "$error_caption" "OK" >/dev/null
  # The icon's double click, as the notification area reports it to the client.
  wine "$robot" tray-notify KeloTrayHandle 512 515 >/dev/null
  main_caption=$(caption "$lang" "Print Driver" "Druckertreiber")
  shoot "main-$lang" "$main_caption"
  wine "$robot" click "$main_caption" "$(caption "$lang" "&Unload" "&Beenden")" >/dev/null
  wait "$!" 2>/dev/null || true
done
