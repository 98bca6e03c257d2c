#!/usr/bin/env bash
# The date-and-time, reminders, video-mode and sound pages of the settings
# dialog under Wine, driven as a user would (tests/tools/mg_dlgdrive): after
# OK the files hold exactly what was set, Cancel puts back only the page's
# own sections, the reminder list edits and the countdown drop-downs.
# With MG_SHOTS_DIR set, a screenshot of each page is left there.
# Usage: win32_dialog_pages_b.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
dialog_script_init "$@"
e2e_init 1024x768
wine_init
# A failure also shows how the dialog's program ended, when it did.
eval "lib_$(declare -f fail)"
fail() {
  [ -s "$E2E_TMP/RUN.out" ] && { echo "--- the dialog's output:"; tail -n 15 "$E2E_TMP/RUN.out"; } >&2
  kill -0 "${RUN:-0}" 2>/dev/null || echo "--- the dialog's program is no longer running" >&2
  local log
  log="$(find "$WINEPREFIX/drive_c" -name RunLog.txt 2>/dev/null | head -n1)"
  [ -n "$log" ] && { echo "--- the run log:"; tail -n 12 "$log"; } >&2
  lib_fail "$@"
}

MAINFORM="Meadowglow v2.0"
DT="Date and Time"
REM="Reminders and Lists"
VM="Video mode / Thread priority"
SND="Screen Saver Sound Options"
drive() { dialog_drive "$@"; }
# section FILE NAME: the section's text, tags included.
section() { tr -d '\r' <"$1" | awk -v s="<$2>" -v e="</$2>" 'index($0, s) { on = 1 } on { print } index($0, e) { exit }'; }
# value SECTION KEY [FILE]: the key's text inside the section.
value() {
  section "${3:-$MAIN}" "$1" | awk -v k="$2" 'index($0, "<" k ">") { sub(".*<" k ">", ""); sub("</" k ">.*", ""); print; exit }'
}
# A drop-down's choice arrives as a posted message: give it a moment.
expect() {
  local tries=0
  until [ "$(value "$1" "$2" "${5:-}")" = "$3" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || fail "$4: <$1><$2> is '$(value "$1" "$2" "${5:-}")', expected '$3'"
    sleep 0.1
  done
}
expect_state() { [ "$(drive "$1" "$2" "$3")" = "$4" ] || fail "$5: '$(drive "$1" "$2" "$3")'"; }
# shot NAME CAPTION: the page's window alone, cut out of the screen.
shot() {
  [ -n "${MG_SHOTS_DIR:-}" ] || return 0
  sleep 0.5
  import -window root -crop "$(drive "$2" rect)" +repage "$MG_SHOTS_DIR/$1.png" || fail "no screenshot of '$2'"
}
# Under Wine a page or box created while the preview starts or renders can
# stay unshown for seconds; it works all the same, so it is driven unshown.
export MG_DLGDRIVE_HIDDEN=1
open_page() {
  drive "$MAINFORM" select 1185 "$1"
  drive "$2" wait >/dev/null || fail "the page '$2' did not open"
}
close_page() {
  drive "$1" post "$2"
  wait_gone "$1" 300 "the page '$1' did not close"
}
# error_box TEXT: an "Error" box saying TEXT is up; it is answered OK.
error_box() {
  # Under Wine a message box can stay unshown for seconds while the preview
  # renders beside it; it works all the same, so it is driven unshown too.
  local said
  MG_DLGDRIVE_HIDDEN=1 drive "Error$" wait >/dev/null || fail "no Error box for: $1"
  said="$(box_text "Error$")"
  [ "$said" = "$1" ] || fail "the Error box says '$said', expected '$1'"
  MG_DLGDRIVE_HIDDEN=1 drive "Error$" answer 1
  # The next command only once the box has gone, as a user's next click would be.
  wait_gone "Error" 100 "the Error box did not close"
}

start_bg RUN "$WINE" "$SCR" /c
[ "$(drive "$MAINFORM" wait | tr -dc 0-9)" != "" ] || fail "the settings dialog did not open"
MAIN="$(wine_settings_file)"
SHARED="$(find "$WINEPREFIX/drive_c" -name Shared.xml | head -n1)"
[ -s "$MAIN" ] && [ -s "$SHARED" ] || fail "opening the dialog did not create the settings files"
AT_OPEN="$E2E_TMP/main-at-open.xml"
cp "$MAIN" "$AT_OPEN"
YEAR="$(date +%Y)"
NEXT=$((YEAR + 1))

note "Date and Time: the check boxes, the format, and the countdown's six drop-downs"
open_page 2 "$DT"
shot datetime "$DT"
expect_state "$DT" enabled 1251 0 "the moon's phase is not created disabled"
[ "$(drive "$DT" text 1246)" = "" ] || fail "the time server does not start on the automatic entry"
drive "$DT" click 1244
expect DateTime SetTime true "set my computer time"
drive "$DT" click 1248
expect DateTime DisplayTime true "Display the time"
drive "$DT" click 1235
expect DateTime CycleTimeRed false "the clock's red colour cycle"
drive "$DT" click 1234
expect DateTime CycleBlue false "the countdown's blue colour cycle"
drive "$DT" select 1254 68
expect DateTime Format "YYYY-MM-DD" "the date format"
drive "$DT" click 1255
expect DateTime EnableCountDown true "the countdown"
drive "$DT" select 1258 1
drive "$DT" select 1256 1
sleep 0.3
days=$(( NEXT % 4 == 0 && (NEXT % 100 != 0 || NEXT % 400 == 0) ? 29 : 28 ))
[ "$(drive "$DT" cbcount 1257)" = "$days" ] || fail "February $NEXT offers $(drive "$DT" cbcount 1257) days"
drive "$DT" select 1257 $((days - 1))
drive "$DT" select 1237 8
drive "$DT" select 1238 30
drive "$DT" select 1239 1
expect DateTime CountDownTo "${NEXT}02${days}0930PM" "the countdown drop-downs"
drive "$DT" select 1256 4
expect DateTime CountDownTo "${NEXT}05${days}0930PM" "the countdown month change"
drive "$DT" select 1257 30
expect DateTime CountDownTo "${NEXT}05310930PM" "the countdown day"
# 31 May into June: the day stops at the month's end.
drive "$DT" select 1256 5
expect DateTime CountDownTo "${NEXT}06300930PM" "a day beyond the new month's end"
[ "$(drive "$DT" cbcount 1257)" = 30 ] || fail "June offers $(drive "$DT" cbcount 1257) days"
[ "$(drive "$DT" text 1257)" = 30 ] || fail "the day shown is not 30"
drive "$DT" select 1237 11
drive "$DT" select 1239 0
expect DateTime CountDownTo "${NEXT}06301230AM" "midnight"
drive "$DT" settext 1164 "Launch day"
expect DateTime CountDownMessage "Launch day" "the countdown message"
close_page "$DT" 1186
expect DateTime CountDownTo "${NEXT}06301230AM" "OK on the date and time page"
expect DateTime SetTime true "OK on the date and time page"

note "Reminders: the message and selection rules, add, update, move and remove"
open_page 6 "$REM"
drive "$REM" click 1296
expect Reminders Enabled true "Use reminders"
drive "$REM" click 1227
expect Reminders AutoCleanUp false "the automatic clean-up"
drive "$REM" post 1300
error_box "You must enter a message for the reminder."
[ "$(drive "$REM" lbcount 1203)" = 0 ] || fail "a reminder without a message was added"
for what in 1209 1301 1230 1231; do
  drive "$REM" post $what
  error_box "Error: you must select a reminder before this operation can be performed."
done
add() {
  drive "$REM" settext 1165 "$1"
  drive "$REM" settext 1166 "$2"
  drive "$REM" select 1228 "$3"
  drive "$REM" select 1226 1
  drive "$REM" select 1224 2
  sleep 0.3
  drive "$REM" select 1225 "$4"
  sleep 0.3
  drive "$REM" click 1300
}
add "Dentist" $'Call first\r\nBring   the card' 3 4
add "Car" "Service" 0 9
add "Tax" "File the return" 5 19
[ "$(drive "$REM" lbcount 1203)" = 3 ] || fail "three adds listed $(drive "$REM" lbcount 1203) reminders"
pad() { printf '%-*s' "$1" "$2"; }
line="$(pad 43 Dentist)$(pad 15 "Mar 05, $NEXT")$(pad 30 "Every week")Call first Bring the card"
[ "$(drive "$REM" lbtext 1203 0)" = "$line" ] || fail "the first line reads '$(drive "$REM" lbtext 1203 0)'"
drive "$REM" lbchoose 1203 0
sleep 0.3
[ "$(drive "$REM" text 1165)" = "Dentist" ] || fail "choosing a reminder did not show its title"
drive "$REM" settext 1165 "Dentist at nine"
drive "$REM" settext 1166 ""
drive "$REM" post 1209
error_box "You must enter a message for the reminder."
drive "$REM" settext 1166 "Call first"
drive "$REM" click 1209
case "$(drive "$REM" lbtext 1203 0)" in "Dentist at nine "*) ;; *) fail "Update did not change the line";; esac
drive "$REM" click 1231
case "$(drive "$REM" lbtext 1203 1)" in "Dentist at nine "*) ;; *) fail "Move down did not move the reminder";; esac
drive "$REM" click 1231
drive "$REM" click 1231
case "$(drive "$REM" lbtext 1203 2)" in "Dentist at nine "*) ;; *) fail "Move down past the end";; esac
drive "$REM" click 1230
case "$(drive "$REM" lbtext 1203 1)" in "Dentist at nine "*) ;; *) fail "Move up did not move the reminder";; esac
drive "$REM" click 1301
[ "$(drive "$REM" lbcount 1203)" = 2 ] || fail "Remove left $(drive "$REM" lbcount 1203) reminders"
shot reminders "$REM"
close_page "$REM" 1194
drive "$MAINFORM" post 1013
sleep 0.5
expect_state "$MAINFORM" enabled 1013 0 "&Save did not save"
expect Reminders NumReminders 2 "the shared file after Save" "$SHARED"
rems="$(section "$SHARED" Reminders)"
for want in "<RemTitle>Car</RemTitle>" "<RemTitle>Tax</RemTitle>" "<Type>Every year</Type>" \
            "<Date>${NEXT}0310</Date>" "<Date>${NEXT}0320</Date>"; do
  grep -qF "$want" <<<"$rems" || fail "the shared file lacks $want: $rems"
done
[ "$(grep -n 'RemTitle>Car' <<<"$rems" | cut -d: -f1)" -lt "$(grep -n 'RemTitle>Tax' <<<"$rems" | cut -d: -f1)" ] ||
  fail "the reminders are not in list order"
grep -q Dentist <<<"$rems" && fail "the removed reminder is still in the shared file"

note "Video mode: the mode list, its label and the priority"
open_page 10 "$VM"
shot videomode "$VM"
count="$(drive "$VM" lbcount 1315)"
[ "$count" -ge 1 ] || fail "no video modes listed"
[ "$(drive "$VM" lbtext 1315 0)" = "Use my current screen mode (Always valid)" ] || fail "the first mode entry"
[ "$(drive "$VM" text 1316)" = "Selected mode = Use my current screen mode (Always valid)" ] ||
  fail "the label reads '$(drive "$VM" text 1316)'"
mode=$(( count > 1 ? 1 : 0 ))
drive "$VM" lbchoose 1315 $mode
expect VideoMode Mode $mode "choosing a mode"
[ "$(drive "$VM" text 1316)" = "Selected mode = $(drive "$VM" lbtext 1315 $mode)" ] || fail "the label after a choice"
drive "$VM" click 1235
expect VideoMode ThreadPriority -2 "Lowest"
drive "$VM" click 1234
expect VideoMode ThreadPriority -1 "Below normal"
close_page "$VM" 1313
expect VideoMode ThreadPriority -1 "OK on the video mode page"

note "Sound: the CD player, the chime, the alarm time and sound, and Stop Wav with nothing playing"
open_page 8 "$SND"
drive "$SND" click 1550
expect CDPlayer Enabled true "the CD player"
drive "$SND" click 1551
expect CDPlayer AutoOff true "Auto shutoff"
drive "$SND" settext 1553 "15"
expect CDPlayer AutoOffMinutes 15 "the minutes"
drive "$SND" click 1202
expect Sound ChimeType 2 "the Wav chime"
drive "$SND" click 1300
expect Sound EnableAlarm true "Enable alarm"
drive "$SND" select 1302 6
drive "$SND" select 1304 45
drive "$SND" select 1306 1
expect Sound AlarmHour 19 "the alarm hour"
expect Sound AlarmMinute 45 "the alarm minute"
drive "$SND" click 1312
expect Sound AlarmType 2 "the Wav alarm"
drive "$SND" click 1311
expect Sound AlarmType 1 "the Beep alarm"
shot sound "$SND"
before="$(md5sum "$MAIN" "$SHARED")"
save_state="$(drive "$MAINFORM" enabled 1013)"
drive "$SND" post 1205
drive "$SND" post 1315
sleep 0.5
window_present "Error" && fail "Stop Wav with nothing playing showed a box"
[ "$(md5sum "$MAIN" "$SHARED")" = "$before" ] || fail "Stop Wav changed the files"
expect_state "$MAINFORM" enabled 1013 "$save_state" "Stop Wav counted as a change"
window_present "$SND" || fail "Stop Wav closed the page"
close_page "$SND" 1109
expect Sound AlarmHour 19 "OK on the sound page"

note "Cancel puts back only the page's own sections, as they were when the dialog opened"
cancel_check() {  # INDEX CAPTION CANCEL-ID CHANGE-ID SECTION...
  local index="$1" caption="$2" cancel="$3" change="$4" s
  shift 4
  open_page "$index" "$caption"
  drive "$caption" click "$change"
  sleep 0.3
  close_page "$caption" "$cancel"
  for s in "$@"; do
    [ "$(section "$MAIN" "$s")" = "$(section "$AT_OPEN" "$s")" ] || fail "Cancel on '$caption' did not restore <$s>"
  done
}
cancel_check 2 "$DT" 1187 1249 DateTime
expect VideoMode ThreadPriority -1 "Cancel on the date page touched the video mode"
expect Sound AlarmHour 19 "Cancel on the date page touched the sound settings"
cancel_check 8 "$SND" 1110 1201 Sound CDPlayer
expect VideoMode ThreadPriority -1 "Cancel on the sound page touched the video mode"
cancel_check 10 "$VM" 1314 1233 VideoMode
expect Reminders Enabled true "Cancel on the video page touched the reminders"
cancel_check 6 "$REM" 1195 1219 Reminders
expect Reminders NumReminders 0 "Cancel on the reminders page did not put the list back" "$SHARED"
expect DateTime CountDownTo "$(value DateTime CountDownTo "$AT_OPEN")" "the date and time after the Cancels"

drive "$MAINFORM" post 1011
drive "Save changes?" answer 7 >/dev/null
expect_exit "$RUN" 15000 0 "the last Exit"
exit 0
