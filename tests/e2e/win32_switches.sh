#!/usr/bin/env bash
# Meadowglow.scr's switches under Wine: unknown switches and a preview without
# a usable window end at once with -1 (255 as Wine reports it); every spelling
# of the full-screen switch starts the saver.
# Usage: win32_switches.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
SCR="${1:?usage: $0 <Meadowglow.scr>}"
[ -f "$SCR" ] || fail "no program at $SCR"
e2e_init 800x600
wine_init

# args | expected status
while IFS='|' read -r args expected; do
  [ -z "$args" ] && continue
  # shellcheck disable=SC2086
  start_bg RUN "$WINE" "$SCR" $args
  expect_exit "$RUN" 10000 "$expected" "'$args'"
  window_present Screensaver && fail "'$args' left a Screensaver window"
done <<'TABLE'
/x|255
-x|255
/p 0|255
/p|255
/p abc|255
/p 999999|255
TABLE

# (Wine quotes an argument with blanks, so the blank-led spellings are left to
# unit tests of the switch parser.)
for sw in s -S /S -s; do
  start_bg RUN "$WINE" "$SCR" "$sw"
  wait_window Screensaver 15 >/dev/null
  sleep 0.3
  expect_running "$RUN" "'$sw' ended on its own"
  xdotool key Return
  expect_exit "$RUN" 5000 0 "'$sw' ended by a key"
done
exit 0
