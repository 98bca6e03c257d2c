#!/usr/bin/env bash
# Screenshots of the Windows settings dialog under Wine, in a framed virtual
# desktop: the main form with the preview running, each scene page, and the
# About, Default and Save-changes boxes. PNGs go to the folder given (default
# build/windows/shots); docs/settings-*.png are two of them.
# Usage: tools/dialog_screenshots.sh [out-dir]
set -u
here="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${MG_BUILD_DIR:-$here/build/windows}"
OUT="${1:-$BUILD/shots}"
SCR="$BUILD/Meadowglow.scr"
mkdir -p "$OUT"
source "$here/tests/e2e/lib.sh"
e2e_init 1024x768
wine_init
drive() { "$WINE" "$BUILD/mg_dlgdrive.exe" "$@" 2>/dev/null | tr -d '\r'; }
shot() { sleep "${2:-1}"; import -window root "$OUT/$1.png" && note "$OUT/$1.png"; }

start_bg RUN "$WINE" explorer /desktop=shot,1024x768 "$SCR" /c
drive "Meadowglow v2.0" wait >/dev/null || fail "no settings dialog"
shot main 4
drive "Meadowglow v2.0" post 1012
drive "About" wait >/dev/null && shot about
drive "About" answer 1
drive "Meadowglow v2.0" post 1014
drive "Default values" wait >/dev/null && shot default
drive "Default values" answer 2
for entry in "1|Screen Saver Background Options|background|1110" "7|Screen Saver Rendering Options|rendering|1110" \
             "9|Special Effects|effects|1110" "3|Desktop Wallpaper|wallpaper|1189" "4|E-mail|email|1191" \
             "5|Internet|internet|1193" "11|Weather Data|weather|1199" \
             "2|Date and Time|datetime|1187" "6|Reminders and Lists|reminders|1195" \
             "8|Screen Saver Sound Options|sound|1110" "10|Video mode / Thread priority|videomode|1314"; do
  IFS='|' read -r index caption name cancel <<<"$entry"
  drive "Meadowglow v2.0" select 1185 "$index"
  drive "$caption" wait >/dev/null && shot "$name"
  drive "$caption" post "$cancel"
  sleep 0.5
done
drive "Meadowglow v2.0" post 1015
drive 'Help$@1164' wait >/dev/null && shot help
drive 'Help$@1164' post 1317
sleep 0.5
drive "Meadowglow v2.0" scroll 1190 1
drive "Meadowglow v2.0" post 1011
drive "Save changes?" wait >/dev/null && shot save-changes
drive "Save changes?" answer 7
wait_exit "$RUN" 15000 || true
find "$WINEPREFIX/drive_c" -name RunLog.txt -exec cp {} "$OUT/" \; 2>/dev/null
