#!/usr/bin/env bash
# Meadowglow.scr /s under Wine on two monitors (Xvfb with Xinerama): the window
# covers the whole virtual screen, the scene is on the primary monitor, the
# other is black, and nothing of the (white) desktop shows.
# Usage: win32_multimonitor.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
SCR="${1:?usage: $0 <Meadowglow.scr>}"
[ -f "$SCR" ] || fail "no program at $SCR"
# Xvfb puts every Xinerama screen at 0,0; a second screen twice as wide makes
# the monitors 1024x768 at 0,0 (the primary) and, to its right, the part of a
# 2048x768 one that the first does not cover.
E2E_XVFB_EXTRA="+xinerama -screen 1 2048x768x24"
e2e_init 1024x768
# Xvfb's XRandR has one output whatever the screens, and Wine would take the
# monitors from it: without XRandR, Wine takes them from Xinerama.
E2E_WINE_X11_EXTRA='"UseXRandR"="N"'
wine_init

xdotool mousemove 100 100
start_bg SAVER "$WINE" "$SCR" /s
SAVER_WIN="$(wait_window Screensaver 40)"
expect_running "$SAVER" "the saver ended on its own"
geometry="$(xdotool getwindowgeometry "$SAVER_WIN")"
echo "$geometry" | grep -q "Geometry: 2048x768" || fail "window does not cover both monitors: $geometry"
two_monitor_check "Meadowglow.scr /s"
[ -n "${MG_SHOTS:-}" ] && cp "$E2E_TMP/two.png" "$MG_SHOTS/win32_multimonitor.png"
xdotool key space
expect_exit "$SAVER" 5000 0 "a key press"
exit 0
