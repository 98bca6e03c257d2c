#!/usr/bin/env bash
# The e-mail, internet, weather, wallpaper and help pages of the settings
# dialog under Wine, driven by messages to their controls
# (tests/tools/mg_dlgdrive). The account test talks to a real POP3 server
# (dovecot) on loopback; the settings file is checked after each OK and Cancel.
# Usage: win32_dialog_pages_a.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
dialog_script_init "$@"
# A driver that finds no window fails the step.
set -o pipefail
e2e_init 1024x768
dovecot_start
wine_init

MAINFORM="Meadowglow v2.0"
MAIL='E-mail$'
# The driver also takes dialogs not shown yet: under Wine on this virtual
# display a page or message box can stay unshown for many seconds while the
# preview starts or renders beside it; it works all the same and shows later.
export MG_DLGDRIVE_HIDDEN=1
drive() { dialog_drive "$@"; }
value() {
  tr -d '\r' <"$MAIN" | awk -v s="<$1>" -v e="</$1>" -v k="$2" '
    index($0, s) { inside = 1 } index($0, e) { inside = 0 }
    inside && index($0, "<" k ">") { sub(".*<" k ">", ""); sub("</" k ">.*", ""); print; exit }'
}
expect() { [ "$(value "$1" "$2")" = "$3" ] || fail "$4: <$1><$2> is '$(value "$1" "$2")', expected '$3'"; }
expect_state() { [ "$(drive "$1" "$2" "$3" ${5:+"$5"})" = "$4" ] || fail "${6:-$1 $2 $3}: '$(drive "$1" "$2" "$3" ${5:+"$5"})', expected '$4'"; }
# box CAPTION TEXT WHAT: a message box with exactly this caption and text is up; closes it.
box() {
  local found
  found="$(drive "$1" wait)" || fail "$3: no '$1' box ($found)"
  local got
  got="$(box_text "$1")"
  [ "$got" = "$2" ] || fail "$3: the '$1' box says '$got'"
  drive "$1" answer 1 >/dev/null
  sleep 0.3
}
no_box() {
  MG_DLGDRIVE_WAIT_MS=700 drive "$1" wait >/dev/null && fail "$2"
  return 0
}
open_page() {
  local found
  drive "$MAINFORM" select 1185 "$1"
  found="$(drive "$2" wait)" || fail "the page '$2' did not open ($found)"
}
# Under Wine a page created while the preview instance starts can stall for
# a long time before it shows: let the restart that a change asks for run
# and the new preview start first, as a user's pause would.
settle() {
  local deadline=$(( $(now_ms) + 15000 ))
  while [ "$(drive "$MAINFORM" enabled 1180)" = 1 ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.2; done
  sleep 1
}
close_page() {
  drive "$1" post "$2"
  sleep 0.7
  MG_DLGDRIVE_WAIT_MS=0 drive "$1" wait >/dev/null && fail "the page '$1' did not close"
  settle
}
runlog() { cat "$INSTALL/RunLog.txt" 2>/dev/null | tr -d '\r'; }
logins() { grep -c 'pop3-login' "$DOVECOT_DIR/dovecot.log" 2>/dev/null || true; }

start_bg RUN "$WINE" "$SCR" /c
drive "$MAINFORM" wait >/dev/null || fail "the settings dialog did not open"
MAIN="$(wine_settings_file)"
[ -s "$MAIN" ] || fail "no settings file"
INSTALL="$(dirname "$MAIN")/"

note "E-mail: the account check, the selection error, Test against dovecot, Update without the check"
open_page 4 "$MAIL"
drive "$MAIL" settext 1276 "    "
drive "$MAIL" settext 1277 alice
drive "$MAIL" settext 1278 wonder
drive "$MAIL" post 1279
box 'Error$' "You must enter a POP3 server address." "a server of blanks"
expect_state "$MAIL" lbcount 1288 0 "" "a server of blanks added an account"
expect Email NumAccounts 0 "a server of blanks"
before="$(logins)"
drive "$MAIL" post 1282
box 'Error$' "Error: you must select an account before this operation can be performed." "Test with nothing selected"
[ "$(logins)" = "$before" ] || fail "Test with nothing selected connected to the server"
SERVER="127.0.0.1:$DOVECOT_PORT"
drive "$MAIL" settext 1276 " $SERVER "
drive "$MAIL" click 1279
drive "$MAIL" settext 1277 bob
drive "$MAIL" settext 1278 wrong
drive "$MAIL" click 1279
expect_state "$MAIL" lbcount 1288 2 "" "two accounts added"
expect_state "$MAIL" lbtext 1288 "$SERVER   alice   Minutes=10" 0 "the first account's line"
expect Email NumAccounts 2 "two accounts added"
expect Email Pop3 "$SERVER" "the first account's server"
drive "$MAIL" lbselect 1288 0
drive "$MAIL" post 1282
box 'Success$' "Your e-mail account is correctly configured for use in this screen saver." "Test of a good account"
grep -q 'Login: user=<alice>' "$DOVECOT_DIR/dovecot.log" || fail "dovecot saw no login for alice"
drive "$MAIL" lbselect 1288 1
drive "$MAIL" post 1282
drive 'Error$' wait >/dev/null || fail "no Error box for a wrong password"
msg="$(box_text 'Error$')"
case "$msg" in "Error: could not connect to the pop3 account = $SERVER. Msg="?*) ;; *) fail "the Error box says '$msg'" ;; esac
drive 'Error$' answer 1 >/dev/null
runlog | grep -q "E-mail test failed - Pop3Connect" || fail "no run-log entry for the failed test: $(runlog)"
runlog | grep -qF "$msg" || fail "the run log does not hold the box's text: $(runlog)"
# Update takes the fields as they stand: no check, even for a blank server.
drive "$MAIL" lbselect 1288 1
drive "$MAIL" settext 1276 "   "
drive "$MAIL" post 1281
no_box 'Error$' "Update ran the account check"
expect_state "$MAIL" lbtext 1288 "   bob   Minutes=10" 1 "Update did not replace the line"
drive "$MAIL" settext 1276 "$SERVER"
drive "$MAIL" settext 1278 builder
drive "$MAIL" click 1281
expect_state "$MAIL" lbtext 1288 "$SERVER   bob   Minutes=10" 1 "the second Update"
drive "$MAIL" lbselect 1288 1
drive "$MAIL" post 1282
box 'Success$' "Your e-mail account is correctly configured for use in this screen saver." "Test after Update"
# Test against a server that accepts and never answers: the dialog keeps
# answering meanwhile, and the exchange limit ends the test with the Error box.
python3 -c '
import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(4)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
' >"$E2E_TMP/mute.port" &
MUTE_PID=$!
deadline=$(( $(now_ms) + 10000 ))
until [ -s "$E2E_TMP/mute.port" ] || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.05; done
MUTE="127.0.0.1:$(head -n1 "$E2E_TMP/mute.port")"
drive "$MAIL" settext 1276 "$MUTE"
drive "$MAIL" settext 1277 carol
drive "$MAIL" settext 1278 quiet
drive "$MAIL" click 1279
expect_state "$MAIL" lbcount 1288 3 "" "the mute server's account added"
drive "$MAIL" lbselect 1288 2
started=$(now_ms)
drive "$MAIL" post 1282
sleep 2
asked=$(now_ms)
[ "$(drive "$MAIL" text 1277)" = carol ] || fail "the dialog did not answer during a Test against a mute server"
answered=$(( $(now_ms) - asked ))
[ "$answered" -lt 5000 ] || fail "the dialog took $answered ms to answer during the Test"
MG_DLGDRIVE_WAIT_MS=60000 drive 'Error$' wait >/dev/null || fail "no Error box after a Test against a mute server"
took=$(( $(now_ms) - started ))
msg="$(box_text 'Error$')"
case "$msg" in "Error: could not connect to the pop3 account = $MUTE. Msg="*"within 30 seconds."*) ;;
  *) fail "the mute server's Error box says '$msg'" ;; esac
drive 'Error$' answer 1 >/dev/null
runlog | grep -qF "$msg" || fail "the run log does not hold the mute server's text: $(runlog)"
note "Test against a mute server: the dialog answered in $answered ms meanwhile; the Error box came after $took ms"
kill "$MUTE_PID" 2>/dev/null
drive "$MAIL" lbselect 1288 2
drive "$MAIL" click 1280
expect_state "$MAIL" lbcount 1288 2 "" "the mute server's account removed"
# Stop with nothing playing: no box, no change, nothing logged.
log_before="$(runlog | wc -l)" sum_before="$(md5sum <"$MAIN")"
drive "$MAIL" post 1289
no_box 'Error$' "Stop with nothing playing showed an error"
[ "$(md5sum <"$MAIN")" = "$sum_before" ] || fail "Stop changed the settings"
[ "$(runlog | wc -l)" = "$log_before" ] || fail "Stop wrote to the run log"
drive "$MAIL" click 1268
drive "$MAIL" click 1235
drive "$MAIL" click 1219
drive "$MAIL" click 1236
close_page "$MAIL" 1190
expect Email Notify false "e-mail OK"
expect Email NewMailSoundType 2 "e-mail OK"
expect Email CycleStreamers false "e-mail OK"
expect Email CycleGreen false "e-mail OK"
expect Email DisplayText true "e-mail OK"
expect Email NumAccounts 2 "e-mail OK"
expect Email Minutes 10 "e-mail OK"

note "Internet: the six switches"
open_page 5 'Internet$'
for id in 1290 1292 1295; do drive 'Internet$' click $id; done
close_page 'Internet$' 1192
expect Internet TFNewsNotifyProducts false "internet OK"
expect Internet TFNewsNotifyUpdates true "internet OK"
expect Internet TFNewsDisplayNews false "internet OK"
expect Internet WebsiteAskCoolSite true "internet OK"
expect Internet NewsDisplayUS true "internet OK"
expect Internet NewsDisplayIntl false "internet OK"

note "Weather: digits only, the temperature switch, the disabled boxes"
open_page 11 'Weather Data$'
for id in 1215 1232 1214; do expect_state 'Weather Data$' enabled $id 0 "" "weather box $id is enabled"; done
[ -n "$(drive 'Weather Data$' text 1208)" ] || fail "the provider button has no text"
drive 'Weather Data$' settext 1164 "9a02-10"
drive 'Weather Data$' click 1218
close_page 'Weather Data$' 1198
expect WeatherData ZipCode 90210 "weather OK"
expect WeatherData DisplayTemp true "weather OK"

note "Wallpaper: the type, Remove with nothing selected, the background page from here"
open_page 3 'Desktop Wallpaper$'
drive 'Desktop Wallpaper$' click 4003
drive 'Desktop Wallpaper$' post 1204
box 'Error$' "You must select a picture to remove first." "wallpaper Remove with nothing selected"
drive 'Desktop Wallpaper$' post 1206
drive "Screen Saver Background Options" wait >/dev/null || fail "Edit current list did not open the background page"
close_page "Screen Saver Background Options" 1110
close_page 'Desktop Wallpaper$' 1188
expect Wallpaper Type 3 "wallpaper OK"

note "Cancel restores only the page's own sections, as they were when the dialog opened"
open_page 4 "$MAIL"
drive "$MAIL" click 1268
expect Email Notify true "the change before Cancel"
close_page "$MAIL" 1191
expect Email Notify true "e-mail Cancel"
expect Email NumAccounts 0 "e-mail Cancel"
expect Internet TFNewsNotifyProducts false "e-mail Cancel touched the internet section"
expect WeatherData ZipCode 90210 "e-mail Cancel touched the weather section"
open_page 11 'Weather Data$'
drive 'Weather Data$' settext 1164 12345
expect WeatherData ZipCode 12345 "a zip code typed"
close_page 'Weather Data$' 1199
expect WeatherData ZipCode "" "weather Cancel"
expect WeatherData DisplayTemp false "weather Cancel"
expect Wallpaper Type 3 "weather Cancel touched the wallpaper section"
open_page 5 'Internet$'
drive 'Internet$' click 1291
close_page 'Internet$' 1193
expect Internet TFNewsNotifyProducts true "internet Cancel"
expect Internet TFNewsNotifyUpdates true "internet Cancel"
open_page 3 'Desktop Wallpaper$'
drive 'Desktop Wallpaper$' click 4001
close_page 'Desktop Wallpaper$' 1189
expect Wallpaper Type 0 "wallpaper Cancel"

note "Help: the support text, and the error box when the help launcher is missing"
drive "$MAINFORM" post 1015
# The page and the error box over it are both captioned "Help": the page is
# the one with the support text (1164).
HELP='Help$@1164' HELPBOX='Help$@!1164'
drive "$HELP" wait >/dev/null || fail "the Help page did not open"
[ -n "$(drive "$HELP" text 1164)" ] || fail "no support text"
drive "$HELP" post 1172
drive "$HELPBOX" wait >/dev/null || fail "no Help error box"
msg="$(box_text "$HELPBOX")"
case "$msg" in "Error: could not launch help file for this screen saver."*"Debug information:"*TallowFenHtmlPage.exe*) ;;
  *) fail "the Help box says '$msg'" ;; esac
drive "$HELPBOX" answer 1 >/dev/null
sleep 0.3
close_page "$HELP" 1317

drive "$MAINFORM" post 1011
drive "Save changes?" answer 7 >/dev/null || fail "no question at the last Exit"
# Closing stops the preview instance and its workers; a loaded machine is slow at it.
expect_exit "$RUN" 40000 0 "the last Exit"
exit 0
