#!/usr/bin/env bash
# The preview (/p <window>) inside a window of another program: it draws, the
# mouse never ends it, a key or a click does, and so does its parent going away.
# Usage: posix_preview.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
TOOL="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_xparent"
[ -x "$PROG" ] || fail "no program at $PROG"
[ -x "$TOOL" ] || fail "no test tool at $TOOL (build the mg_xparent target)"
e2e_init 800x600

start_parent() {
  start_bg PARENT "$TOOL" 320x240 40 40
  wait_number PARENT_WIN "$E2E_TMP/PARENT.out" "the parent window tool"
}

start_preview() {
  xdotool mousemove 600 500
  start_bg PREVIEW "$PROG" /p "$PARENT_WIN"
  wait_window Preview 10 >/dev/null
  sleep 0.5
  expect_running "$PREVIEW" "the preview ended on its own"
}

start_parent

# Motion over the preview, near and far, never ends it; it draws over the
# parent's magenta; a key with the pointer over it ends it and leaves the parent.
start_preview
for pos in "100 100" "300 250" "60 60" "330 260" "45 45"; do
  # shellcheck disable=SC2086
  xdotool mousemove $pos
  sleep 0.1
done
sleep 0.3
expect_running "$PREVIEW" "mouse motion ended the preview"
import -window root -crop 320x240+40+40 +repage "$E2E_TMP/preview.png" || fail "no screenshot"
magenta="$(colour_fraction "$E2E_TMP/preview.png" magenta)"
below "$magenta" 0.5 || fail "nothing drawn over the parent window ($magenta of it still magenta)"
note "screenshot: magenta share $magenta"
xdotool key a
expect_exit "$PREVIEW" 5000 0 "a key over the preview"
window_present Preview && fail "the Preview window outlived the process"
expect_running "$PARENT" "the parent window went away with the preview"

# A click ends it too.
start_preview
xdotool mousemove 200 200 click 1
expect_exit "$PREVIEW" 5000 0 "a click on the preview"

# The host closing its window ends the preview cleanly: the render thread
# notices the vanished window before it draws into it again.
start_preview
kill "$PARENT"
expect_exit "$PREVIEW" 5000 0 "the parent window destroyed"
exit 0
