#!/usr/bin/env bash
# Meadowglow.scr /s under Wine on a virtual display: the mouse rule, keys and
# buttons end it, WM_CLOSE from another program counts only once input asked
# for the close, a second start hands over to the running one, and the window
# covers the screen with the saver's frame.
# Usage: win32_fullscreen.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
SCR="${1:?usage: $0 <Meadowglow.scr>}"
SENDCLOSE="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_sendclose.exe"
[ -f "$SCR" ] || fail "no program at $SCR"
[ -f "$SENDCLOSE" ] || fail "no test tool at $SENDCLOSE (build the mg_sendclose target)"
e2e_init 1024x768
wine_init

start_saver() {
  xdotool mousemove 100 100
  start_bg SAVER "$WINE" "$SCR" /s
  SAVER_WIN="$(wait_window Screensaver 15)"
  sleep 0.5
  expect_running "$SAVER" "the saver ended on its own"
}

# send_close EXPECTED_OUTPUT: WM_CLOSE to the saver's window from another process.
send_close() {
  local out
  out="$("$WINE" "$SENDCLOSE" 2>&1 | tr -d '\r')"
  [ "$out" = "$1" ] || fail "mg_sendclose said '$out', expected '$1'"
}

# The mouse. Like Windows, Wine sends the new window a mouse message of its
# own when it appears under the pointer; the rule absorbs that first one. So
# the user's first motion of 4 pixels or less (city-block, from where the
# pointer was at start) leaves it running, and one of 5 or more ends it at once.
start_saver
xdotool mousemove 102 102
sleep 0.5
expect_running "$SAVER" "a motion of 4 pixels ended the saver"
xdotool mousemove 103 102
expect_exit "$SAVER" 5000 0 "a motion of 5 pixels"
window_present Screensaver && fail "the Screensaver window outlived the process"

# WM_CLOSE from another program before any input is ignored. A small motion
# does not close, but it arms the close request: WM_CLOSE is then honoured.
start_saver
send_close sent
sleep 0.5
expect_running "$SAVER" "WM_CLOSE before any input ended the saver"
xdotool mousemove 101 103
sleep 0.5
expect_running "$SAVER" "a motion of 4 pixels ended the saver"
send_close sent
expect_exit "$SAVER" 5000 0 "WM_CLOSE after a small motion"

# A key press alone.
start_saver
xdotool key space
expect_exit "$SAVER" 5000 0 "a key press"

# A button press alone.
start_saver
xdotool click 1
expect_exit "$SAVER" 5000 0 "a mouse click"

# WM_CLOSE before any input is ignored; a second start leaves the running
# saver alone and ends with 0; the window covers the screen and shows the
# saver's frame, not the white root behind it.
start_saver
send_close sent
sleep 0.5
expect_running "$SAVER" "WM_CLOSE before any input ended the saver"
start_bg SECOND "$WINE" "$SCR" /s
expect_exit "$SECOND" 10000 0 "a second /s while one runs"
[ "$(xdotool search --onlyvisible --name '^Screensaver$' | wc -l)" -eq 1 ] || fail "more than one Screensaver window"
expect_running "$SAVER" "the second start ended the first saver"
geometry="$(xdotool getwindowgeometry "$SAVER_WIN")"
echo "$geometry" | grep -q "Position: 0,0" || fail "window not at the origin: $geometry"
echo "$geometry" | grep -q "Geometry: 1024x768" || fail "window does not cover the 1024x768 screen: $geometry"
import -window root "$E2E_TMP/fullscreen.png" || fail "no screenshot"
white="$(white_fraction "$E2E_TMP/fullscreen.png")"
below "$white" 0.5 || fail "the screen is still mostly the white root ($white white) while the saver runs"
note "screenshot: white share $white"
xdotool key Escape
expect_exit "$SAVER" 5000 0 "a key after the ignored WM_CLOSE"
send_close "no window"
exit 0
