#!/usr/bin/env bash
# Full screen (-s) on two monitors (Xvfb with Xinerama): one window covers
# both, the scene is on the first monitor, the second is black, and nothing of
# the (white) desktop shows.
# Usage: posix_multimonitor.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
# Xvfb puts every Xinerama screen at 0,0; a second screen twice as wide makes
# the monitors 1024x768 at 0,0 (the primary) and, to its right, the part of a
# 2048x768 one that the first does not cover.
E2E_XVFB_EXTRA="+xinerama -screen 1 2048x768x24"
e2e_init 1024x768

xdotool mousemove 100 100
start_bg SAVER "$PROG" -s
SAVER_WIN="$(wait_window Screensaver 10)"
expect_running "$SAVER" "the saver ended on its own"
geometry="$(xdotool getwindowgeometry "$SAVER_WIN")"
echo "$geometry" | grep -q "Geometry: 2048x768" || fail "window does not cover both monitors: $geometry"
two_monitor_check "meadowglow -s"
[ -n "${MG_SHOTS:-}" ] && cp "$E2E_TMP/two.png" "$MG_SHOTS/posix_multimonitor.png"
xdotool key space
expect_exit "$SAVER" 5000 0 "a key press"
exit 0
