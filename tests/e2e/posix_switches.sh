#!/usr/bin/env bash
# The screen-saver switches as the program sees them: unknown switches and a
# preview without a usable window end at once with -1; every spelling of the
# full-screen switch starts the saver.
# Usage: posix_switches.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
e2e_init 800x600

# args (one per line) | expected status
while IFS='|' read -r args expected; do
  [ -z "$args" ] && continue
  # shellcheck disable=SC2086
  start_bg RUN "$PROG" $args
  expect_exit "$RUN" 5000 "$expected" "'$args'"
  window_present Screensaver && fail "'$args' left a Screensaver window"
done <<'TABLE'
/x|255
-x|255
/p 0|255
/p|255
/p abc|255
/p 999999999|255
TABLE

for sw in s -S /S " s" -s; do
  start_bg RUN "$PROG" "$sw"
  wait_window Screensaver 10 >/dev/null
  sleep 0.3
  expect_running "$RUN" "'$sw' ended on its own"
  xdotool key Return
  expect_exit "$RUN" 5000 0 "'$sw' ended by a key"
done
exit 0
