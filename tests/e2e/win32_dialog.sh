#!/usr/bin/env bash
# The settings dialog under Wine, driven as a user would by messages to its
# controls (tests/tools/mg_dlgdrive), with the settings files checked after
# each step.
# Usage: win32_dialog.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
dialog_script_init "$@"
e2e_init 1024x768
wine_init
# The update check asks the loopback vendor server, which answers "no update".
vendor_start '{"update": ""}'

MAINFORM="Meadowglow v2.0"
BG="Screen Saver Background Options"
drive() { dialog_drive "$@"; }
open_dialog() {
  start_bg RUN "$WINE" "$SCR" /c
  [ "$(drive "$MAINFORM" wait | tr -dc 0-9)" != "" ] || fail "the settings dialog did not open"
}
# value SECTION KEY: the key's text inside the section of the main file.
value() {
  tr -d '\r' <"$MAIN" | awk -v s="<$1>" -v e="</$1>" -v k="$2" '
    index($0, s) { inside = 1 } index($0, e) { inside = 0 }
    inside && index($0, "<" k ">") { sub(".*<" k ">", ""); sub("</" k ">.*", ""); print; exit }'
}
expect() { [ "$(value "$1" "$2")" = "$3" ] || fail "$4: <$1><$2> is '$(value "$1" "$2")', expected '$3'"; }
expect_state() { [ "$(drive "$1" "$2" "$3")" = "$4" ] || fail "$5"; }
sums() { md5sum "$MAIN" "$SHARED" | cut -d' ' -f1 | tr '\n' ' '; }
mtimes() { stat -c %.9Y "$MAIN" "$SHARED" | tr '\n' ' '; }

# A first opening creates both files.
open_dialog
MAIN="$(wine_settings_file)"
SHARED="$(find "$WINEPREFIX/drive_c" -name Shared.xml | head -n1)"
[ -s "$MAIN" ] && [ -s "$SHARED" ] || fail "opening the dialog did not create the settings files"
ORIGINAL="$(sums)"
expect_state "$MAINFORM" enabled 1013 0 "&Save is enabled on a clean form"

note "Exit right after opening asks nothing and leaves the files alone"
drive "$MAINFORM" post 1011
expect_exit "$RUN" 15000 0 "Exit"
[ "$(sums)" = "$ORIGINAL" ] || fail "Exit without changes touched the files"

note "Exit after a change: Cancel stays, No restores both files"
open_dialog
drive "$MAINFORM" scroll 1190 1
expect General SaverSpeed 11 "a speed step"
expect_state "$MAINFORM" enabled 1013 1 "&Save not enabled after a change"
drive "$MAINFORM" post 1011
MG_DLGDRIVE_HIDDEN=1 drive "Save changes?" answer 2 >/dev/null || fail "no question on Exit after a change"
sleep 0.5
expect_running "$RUN" "Cancel closed the dialog"
expect General SaverSpeed 11 "Cancel at the question"
echo changed >>"$SHARED"
drive "$MAINFORM" post 1011
MG_DLGDRIVE_HIDDEN=1 drive "Save changes?" answer 7 >/dev/null || fail "no question on the second Exit"
expect_exit "$RUN" 15000 0 "Exit answered No"
[ "$(sums)" = "$ORIGINAL" ] || fail "No did not restore both files"

note "Save && exit saves without asking"
open_dialog
drive "$MAINFORM" scroll 1190 1
drive "$MAINFORM" scroll 1190 1
drive "$MAINFORM" post 1010
expect_exit "$RUN" 15000 0 "Save && exit"
expect General SaverSpeed 12 "Save && exit"

note "Three changes within a second restart the preview once, 1.5 s after the last"
open_dialog
out="$(drive "$MAINFORM" burst 1190 3 400)"
echo "$out"
grep -q 'enabled-after-burst 1' <<<"$out" || fail "Refresh preview not enabled by the changes"
ms="$(sed -n 's/cleared-after-ms //p' <<<"$out")"
[ "$ms" -ge 1450 ] && [ "$ms" -le 4000 ] || fail "preview restarted $ms ms after the last change"
grep -q 'flips 1$' <<<"$out" || fail "the preview restarted more than once: $out"
expect General SaverSpeed 15 "the burst"
drive "$MAINFORM" post 1013
sleep 0.5

note "Page up and down change nothing"
before="$(sums)"
for code in 2 3 6 7; do drive "$MAINFORM" scroll 1190 $code; done
expect_state "$MAINFORM" enabled 1013 0 "paging the speed bar counted as a change"
[ "$(sums)" = "$before" ] || fail "paging the speed bar wrote the files"

note "A page opened and closed with OK unchanged writes nothing"
stamp="$(mtimes)"
drive "$MAINFORM" select 1185 1
drive "$BG" wait >/dev/null || fail "the background page did not open"
drive "$BG" post 1109 || fail "OK could not be posted to the page"
wait_gone "$BG" 50 "OK did not close the page"
opt="$(drive "$MAINFORM" text 1185)"
[ "$opt" = "Please select an option" ] || fail "the options list was not reset: '$opt'"
[ "$(mtimes)" = "$stamp" ] || fail "OK on an unchanged page wrote the files"

note "Star rules, paging a page's bar, and Cancel restoring only the page's sections"
drive "$MAINFORM" scroll 1190 1
drive "$MAINFORM" post 1013
sleep 0.5
drive "$MAINFORM" select 1185 1
drive "$BG" wait >/dev/null
expect_state "$BG" enabled 1503 0 "star types enabled while the star field is off"
drive "$BG" click 1500
expect Stars Enabled true "Enable star field"
expect_state "$MAINFORM" enabled 1013 1 "a page change did not enable &Save"
drive "$BG" click 1504
expect Stars Type 3 "Stop star field"
expect_state "$BG" enabled 1236 0 "the speed bar stayed enabled for a still star field"
expect_state "$BG" enabled 1510 0 "Rotate stars enabled for a still star field"
drive "$BG" click 1503
expect_state "$BG" enabled 1510 1 "Warp did not enable Rotate stars"
expect_state "$BG" enabled 1236 1 "Warp did not enable the speed bar"
before="$(value Stars Speed)"
for code in 2 3; do drive "$BG" scroll 1236 $code; done
expect Stars Speed "$before" "paging the star speed bar"
drive "$BG" post 1110 || fail "Cancel could not be posted to the page"
wait_gone "$BG" 50 "Cancel did not close the page"
expect Stars Enabled false "Cancel on the page"
expect Stars Type 2 "Cancel on the page"
expect General SaverSpeed 16 "Cancel on a page touched the main form's speed"
expect_state "$MAINFORM" enabled 1013 0 "Cancel did not put the &Save state back"

note "Removing every picture disables Remove; pressing it then shows the Error box"
drive "$MAINFORM" select 1185 1
drive "$BG" wait >/dev/null
count="$(drive "$BG" lbcount 1118)"
[ "$count" -gt 0 ] || fail "no pictures listed"
for _ in $(seq "$count"); do
  drive "$BG" lbselect 1118 0
  drive "$BG" click 1624
done
[ "$(drive "$BG" lbcount 1118)" = 0 ] || fail "pictures left after removing them all"
expect BgBitmap NumPictures 0 "removing every picture"
expect_state "$BG" enabled 1624 0 "Remove still enabled with an empty list"
drive "$BG" post 1624
MG_DLGDRIVE_HIDDEN=1 drive "Error$" answer 1 >/dev/null || fail "no Error box for Remove with nothing selected"
drive "$BG" post 1109
sleep 0.5

note "The update check: an empty answer means no update; no server means the server is unavailable"
drive "$MAINFORM" post 1178
MG_DLGDRIVE_HIDDEN=1 drive "Update$" answer 1 >/dev/null || fail "no 'Update' box for an empty answer"
grep -q 'cmd=CheckUpdates&product=Meadowglow&version=2.0' "$VENDOR_RECORD" || fail "no update request recorded: $(cat "$VENDOR_RECORD")"
kill "$VENDOR_PID" 2>/dev/null; wait "$VENDOR_PID" 2>/dev/null
drive "$MAINFORM" post 1178
MG_DLGDRIVE_HIDDEN=1 drive "Update Error$" answer 1 >/dev/null || fail "no Update Error box"

drive "$MAINFORM" post 1011
MG_DLGDRIVE_HIDDEN=1 drive "Save changes?" answer 7 >/dev/null
expect_exit "$RUN" 15000 0 "the last Exit"
exit 0
