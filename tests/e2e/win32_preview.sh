#!/usr/bin/env bash
# Meadowglow.scr /p <window> under Wine, inside a window of another program as
# the display settings would give it: the mouse never ends it, a key or a
# click does, and the host window stays.
# (Wine cannot show OpenGL drawn into a child of another process's window, so
# the preview's pixels are not checked here; the Linux preview test does.)
# Usage: win32_preview.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
SCR="${1:?usage: $0 <Meadowglow.scr>}"
PARENT_TOOL="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_winparent.exe"
[ -f "$SCR" ] || fail "no program at $SCR"
[ -f "$PARENT_TOOL" ] || fail "no test tool at $PARENT_TOOL (build the mg_winparent target)"
e2e_init 800x600
wine_init

start_bg PARENT "$WINE" "$PARENT_TOOL" 320 240
wait_number HOST "$E2E_TMP/PARENT.out" "the parent window tool"
wait_window mg_winparent 10 >/dev/null

# The preview is a child window without an X window of its own: watch the
# process, and give it time to create its window and start drawing.
start_preview() {
  xdotool mousemove 600 500
  start_bg PREVIEW "$WINE" "$SCR" /p "$HOST"
  sleep 1.5
  expect_running "$PREVIEW" "the preview ended on its own"
}

start_preview
for pos in "100 100" "300 250" "60 60" "330 260" "45 45" "200 150"; do
  # shellcheck disable=SC2086
  xdotool mousemove $pos
  sleep 0.1
done
sleep 0.3
expect_running "$PREVIEW" "mouse motion over the preview ended it"
xdotool key a
expect_exit "$PREVIEW" 5000 0 "a key in the preview"
expect_running "$PARENT" "the host window went away with the preview"

start_preview
xdotool mousemove 200 150 click 1
expect_exit "$PREVIEW" 5000 0 "a click on the preview"
expect_running "$PARENT" "the host window went away with the preview"

# The switch in capitals and the handle with a sign still name the window.
start_bg PREVIEW "$WINE" "$SCR" /P "+$HOST"
sleep 1.5
expect_running "$PREVIEW" "'/P +handle' did not start the preview"
xdotool mousemove 200 150 key b
expect_exit "$PREVIEW" 5000 0 "a key in the '/P +handle' preview"

# The host destroying its window, as the display settings do when they close,
# ends the preview cleanly.
start_bg PARENT2 "$WINE" "$PARENT_TOOL" 320 240 2500
wait_number HOST2 "$E2E_TMP/PARENT2.out" "the second parent window tool"
start_bg PREVIEW "$WINE" "$SCR" /p "$HOST2"
sleep 1
expect_running "$PREVIEW" "the preview in the closing host ended on its own"
expect_exit "$PARENT2" 5000 0 "the host closing its window"
expect_exit "$PREVIEW" 5000 0 "the preview after its host window was destroyed"
exit 0
