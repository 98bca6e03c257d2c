#!/usr/bin/env bash
# "/c" (and no switch) on Linux: with a display they start the settings
# program; without one, a first run creates both settings files with the
# defaults and prints where they are, and a later run leaves them byte for byte.
# Usage: posix_settings.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
e2e_init 640x480

MAIN="${MEADOWGLOW_HOME%/}/Meadowglow.xml"
SHARED="${MEADOWGLOW_HOME%/}/shared/Shared.xml"
for args in "/c" "-c" ""; do
  rm -f "$MAIN" "$SHARED"
  # shellcheck disable=SC2086
  start_bg RUN env -u DISPLAY "$PROG" $args
  expect_exit "$RUN" 5000 0 "'$args'"
  [ -s "$MAIN" ] || fail "'$args' did not create $MAIN"
  [ -s "$SHARED" ] || fail "'$args' did not create $SHARED"
  grep -qF "$MAIN" "$E2E_TMP/RUN.out" || fail "'$args' did not print $MAIN: $(cat "$E2E_TMP/RUN.out")"
  grep -qF "$SHARED" "$E2E_TMP/RUN.out" || fail "'$args' did not print $SHARED"
  grep -q '<SaverSpeed>10</SaverSpeed>' "$MAIN" || fail "'$args' wrote no defaults"
done

# Existing files are read, not rewritten.
sed -i 's#<SaverSpeed>10</SaverSpeed>#<SaverSpeed>42</SaverSpeed>#' "$MAIN"
before="$(md5sum "$MAIN" "$SHARED")"
start_bg RUN env -u DISPLAY "$PROG" /c
expect_exit "$RUN" 5000 0 "'/c' with files present"
[ "$(md5sum "$MAIN" "$SHARED")" = "$before" ] || fail "'/c' changed existing settings files"

# With a display, each of them becomes the settings program (the same process),
# and opening it and leaving with no change leaves the files as they were.
for args in "/c" "--settings" ""; do
  # shellcheck disable=SC2086
  start_bg RUN "$PROG" $args
  wait_window "$SETTINGS_CAPTION" 20 >/dev/null
  [ "$(basename "$(readlink "/proc/$RUN/exe")")" = meadowglow-settings ] || fail "'$args' did not start the settings program"
  kill -TERM "$RUN"
  wait_exit "$RUN" 5000 || fail "'$args': the settings program did not end on SIGTERM"
done
[ "$(md5sum "$MAIN" "$SHARED")" = "$before" ] || fail "opening the settings program changed the settings files"
exit 0
