#!/usr/bin/env bash
# The screen-saver switches as the program sees them: unknown switches and a
# preview without a usable window end at once with -1; every spelling of the
# full-screen switch starts the saver; a signal ends a benchmark at once.
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

# A benchmark of far more frames than the wait allows: the signal, not the
# last frame, has to end it, and it gives no figures for a cut-short run.
for sig in TERM INT; do
  start_bg BENCH "$PROG" --bench --frames 1000000 --size 320x240
  sleep 1.5
  expect_running "$BENCH" "the benchmark ended before SIG$sig"
  kill -s "$sig" "$BENCH"
  expect_exit "$BENCH" 5000 1 "the benchmark after SIG$sig"
  grep -q "stopped by a signal" "$E2E_TMP/BENCH.out" || fail "no word of the SIG$sig: $(cat "$E2E_TMP/BENCH.out")"
  grep -q "^fps:" "$E2E_TMP/BENCH.out" && fail "a cut-short benchmark printed figures"
done
exit 0
