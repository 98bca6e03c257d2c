#!/usr/bin/env bash
# "/c" (and no switch) on Linux: a first run creates both settings files with
# the defaults and prints where they are; a later run leaves them byte for byte.
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
  start_bg RUN "$PROG" $args
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
start_bg RUN "$PROG" /c
expect_exit "$RUN" 5000 0 "'/c' with files present"
[ "$(md5sum "$MAIN" "$SHARED")" = "$before" ] || fail "'/c' changed existing settings files"
exit 0
