#!/usr/bin/env bash
# Drawing into a window that belongs to someone else, as XScreenSaver asks:
# -window-id, XSCREENSAVER_WINDOW (alone or with -root) and -root. The saver
# draws there, ignores keys and the mouse (the host decides when to stop), and
# ends cleanly on SIGTERM or when the host destroys the window.
# Usage: posix_hostwindow.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
TOOL="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_xparent"
[ -x "$PROG" ] || fail "no program at $PROG"
[ -x "$TOOL" ] || fail "no test tool at $TOOL (build the mg_xparent target)"
e2e_init 800x600

# A fresh magenta window for each case, so a frame left by the last run does
# not pass for the next one's.
start_parent() {
  [ -n "${PARENT:-}" ] && kill "$PARENT" 2>/dev/null
  start_bg PARENT "$TOOL" 320x240 40 40
  wait_number PARENT_WIN "$E2E_TMP/PARENT.out" "the parent window tool"
}

# wait_drawn CROP COLOUR WHAT: waits until less than half of the screen area
# CROP still shows COLOUR, the host's own background.
wait_drawn() {
  local deadline=$(( $(now_ms) + 10000 )) share=1
  while [ "$(now_ms)" -lt "$deadline" ]; do
    import -window root -crop "$1" +repage "$E2E_TMP/host.png" 2>/dev/null &&
      share="$(colour_fraction "$E2E_TMP/host.png" "$2")"
    below "$share" 0.5 && { note "$3: drawn ($share of the area left $2)"; return 0; }
    sleep 0.2
  done
  fail "$3: nothing drawn within 10 s ($share of the area still $2)"
}

# Input of every kind leaves it running.
ignores_input() {
  xdotool mousemove 100 100
  sleep 0.1
  xdotool mousemove 300 250
  sleep 0.1
  xdotool mousemove 60 70 click 1
  xdotool key space key Escape
  sleep 0.5
  expect_running "$SAVER" "$1: input ended it"
}

# sigterm_caught PID: true once the program (not the shell that forked it)
# has installed its SIGTERM handler.
sigterm_caught() {
  local mask
  [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$(readlink -f "$PROG")" ] || return 1
  mask="$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null)"
  [ -n "$mask" ] && (( (16#$mask >> 14) & 1 ))
}

ends_on_sigterm() {
  kill -TERM "$SAVER"
  expect_exit "$SAVER" 5000 0 "$1: SIGTERM"
}

start_parent
parent_area=320x240+40+40

start_bg SAVER "$PROG" -window-id "$PARENT_WIN"
wait_drawn "$parent_area" magenta "-window-id"
ignores_input "-window-id"
ends_on_sigterm "-window-id"

# XScreenSaver passes the id in hex.
start_parent
start_bg SAVER "$PROG" -window-id "$(printf '0x%x' "$PARENT_WIN")"
wait_drawn "$parent_area" magenta "-window-id in hex"
ends_on_sigterm "-window-id in hex"

start_parent
XSCREENSAVER_WINDOW="$PARENT_WIN" start_bg SAVER "$PROG"
wait_drawn "$parent_area" magenta "XSCREENSAVER_WINDOW"
ignores_input "XSCREENSAVER_WINDOW"
ends_on_sigterm "XSCREENSAVER_WINDOW"

start_parent
XSCREENSAVER_WINDOW="$(printf '0x%x' "$PARENT_WIN")" start_bg SAVER "$PROG" -root
wait_drawn "$parent_area" magenta "XSCREENSAVER_WINDOW with -root"
ignores_input "XSCREENSAVER_WINDOW with -root"
ends_on_sigterm "XSCREENSAVER_WINDOW with -root"

# A SIGTERM as early as the program can take it, while the render thread is
# most likely still setting up, ends it as promptly.
deadline=$(( $(now_ms) + 5000 ))
start_bg SAVER "$PROG" -window-id "$PARENT_WIN"
until sigterm_caught "$SAVER"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the program never installed its SIGTERM handler"
  sleep 0.005
done
ends_on_sigterm "-window-id, stopped while starting"

# The host destroying the window ends the saver cleanly.
start_parent
start_bg SAVER "$PROG" -window-id "$PARENT_WIN"
wait_drawn "$parent_area" magenta "-window-id"
kill "$PARENT"
expect_exit "$SAVER" 5000 0 "-window-id, the window destroyed"

# -root alone draws over the (white) root window.
start_bg SAVER "$PROG" -root
wait_drawn 800x600+0+0 white "-root"
ignores_input "-root"
ends_on_sigterm "-root"

# A window id that names nothing is refused at once.
start_bg SAVER "$PROG" -window-id 0x7ffffff0
wait_exit "$SAVER" 5000 || fail "-window-id with no such window: still running"
[ "$E2E_RC" -ne 0 ] || fail "-window-id with no such window: status 0"
exit 0
