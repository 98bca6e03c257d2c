#!/usr/bin/env bash
# Full screen (-s) on a virtual display: the mouse rule, keys and buttons end
# it, a window-manager close before any input is ignored, and the window covers
# the screen with the saver's frame.
# Usage: posix_fullscreen.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
TOOL="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_xparent"
[ -x "$PROG" ] || fail "no program at $PROG"
[ -x "$TOOL" ] || fail "no test tool at $TOOL (build the mg_xparent target)"
e2e_init 1024x768

start_saver() {
  xdotool mousemove 100 100
  start_bg SAVER "$PROG" "$@"
  SAVER_WIN="$(wait_window Screensaver 10)"
  # Let the render thread start and the input grab settle.
  sleep 0.5
  expect_running "$SAVER" "the saver ended on its own"
}

# The mouse: the first motion never ends it, however far; a later one within
# 4 pixels (city-block) of where the pointer was at start does not either; one
# of 5 or more does, at once.
start_saver -s
xdotool mousemove 700 500
sleep 0.5
expect_running "$SAVER" "the first mouse motion ended the saver"
xdotool mousemove 102 102
sleep 0.5
expect_running "$SAVER" "a later motion of 4 pixels ended the saver"
xdotool mousemove 103 102
expect_exit "$SAVER" 5000 0 "a later motion of 5 pixels"
window_present Screensaver && fail "the Screensaver window outlived the process"

# A key press alone.
start_saver -s
xdotool key space
expect_exit "$SAVER" 5000 0 "a key press"

# A button press alone.
start_saver -s
xdotool click 1
expect_exit "$SAVER" 5000 0 "a mouse click"

# A close request from outside before any input is ignored. The window covers
# the whole screen and shows the saver's frame, not the white root behind it.
start_saver -s
"$TOOL" --send-delete "$SAVER_WIN" || fail "could not send the close request"
sleep 0.5
expect_running "$SAVER" "a close request before any input ended the saver"
geometry="$(xdotool getwindowgeometry "$SAVER_WIN")"
echo "$geometry" | grep -q "Position: 0,0" || fail "window not at the origin: $geometry"
echo "$geometry" | grep -q "Geometry: 1024x768" || fail "window does not cover the 1024x768 screen: $geometry"
import -window root "$E2E_TMP/fullscreen.png" || fail "no screenshot"
white="$(white_fraction "$E2E_TMP/fullscreen.png")"
below "$white" 0.5 || fail "the screen is still mostly the white root ($white white) while the saver runs"
note "screenshot: white share $white"
xdotool key Escape
expect_exit "$SAVER" 5000 0 "a key after the ignored close request"
exit 0
