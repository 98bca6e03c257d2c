#!/usr/bin/env bash
# The Linux settings program's main form, driven as a person would: it opens
# from "meadowglow /c" with the scene drawn in its preview; a change restarts
# the preview once, 1.5 s later; Save, Exit with and without changes (the
# "save changes" question, and the backup made at the start put back on No),
# Default with Yes and No; and a killed settings program leaves no preview.
# Usage: posix_settings_form.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
[ -x "${MG_BUILD_DIR:?}/meadowglow-settings" ] || fail "no settings program in $MG_BUILD_DIR"
e2e_init 1024x768
MAIN="$MEADOWGLOW_HOME/Meadowglow.xml"

# tag SECTION KEY: a setting's value in the main file.
tag() { sed -n "/<$1>/,/<\/$1>/p" "$MAIN" | sed -n "s:.*<$2>\(.*\)</$2>.*:\1:p" | head -n1; }
preview_pid() { pgrep -P "$SETTINGS" -f -- "-window-id" | head -n1; }
# The critter tab's "Ladybugs" box, where the form lays it out at a 1x scale.
click_ladybugs() { xdotool mousemove --window "$SETTINGS_WIN" 34 467 click 1; sleep 0.3; }
# answer CAPTION KEY: waits for a message box and answers it with a key.
answer() {
  local box
  box="$(wait_window "$1" 10)"
  gtk_keys "$box" "$2"
  wait_gone "$1" 50 "the '$1' box stayed after $2"
}
open_form() {
  local started
  started="$(now_ms)"
  start_bg SETTINGS "$PROG" /c
  SETTINGS_WIN="$(wait_window "$SETTINGS_CAPTION" 20)"
  OPEN_MS=$(( $(now_ms) - started ))
}
close_form() {
  gtk_keys "$SETTINGS_WIN" alt+x
  expect_exit "$SETTINGS" 5000 0 "$1"
}

# ---- opening: the window, then the scene in the preview ----
open_form
note "meadowglow /c to the window shown: $OPEN_MS ms"
# The area is plain black (or the toolkit's grey) until the saver draws: the
# scene shows as hundreds of colours.
deadline=$(( $(now_ms) + 10000 )) colours=0
while [ "$(now_ms)" -lt "$deadline" ]; do
  pid="$(preview_pid)"
  if [ -n "$pid" ]; then
    area="$(tr '\0' ' ' <"/proc/$pid/cmdline" | awk '{print $3}')"
    import -window "$area" "$E2E_TMP/preview.png" 2>/dev/null &&
      colours="$(identify -format '%k' "$E2E_TMP/preview.png")" && [ "$colours" -gt 200 ] && break
  fi
  sleep 0.25
done
[ "$colours" -gt 200 ] || fail "the preview shows no scene within 10 s ($colours colours)"
note "the scene is in the preview after $(( $(now_ms) - deadline + 10000 )) ms ($colours colours)"
cp "$MAIN" "$E2E_TMP/at-start.xml"

# ---- a change restarts the preview once, 1.5 s after it ----
before="$(preview_pid)"
changed_at="$(now_ms)"
click_ladybugs
deadline=$(( changed_at + 6000 )) restarted=""
while [ "$(now_ms)" -lt "$deadline" ]; do
  now="$(preview_pid)"
  if [ -n "$now" ] && [ "$now" != "$before" ]; then restarted="$(now_ms)"; break; fi
  sleep 0.02
done
[ -n "$restarted" ] || fail "the preview did not restart within 6 s of a change"
delay=$(( restarted - changed_at ))
note "the preview restarted $delay ms after the change"
[ "$delay" -ge 1400 ] && [ "$delay" -le 3500 ] || fail "the preview restarted after $delay ms, not about 1500"
after="$(preview_pid)"
sleep 3
[ "$(preview_pid)" = "$after" ] || fail "the preview restarted more than once for one change"
# Each change is in the files at once, for the preview to read; only the
# backup taken at the start says what "not saved" goes back to.
[ "$(tag Critters LadyBugs)" = false ] || fail "the preview's file does not hold the change"

# ---- Save writes; a later unsaved change, Exit and No put the start's file back ----
gtk_keys "$SETTINGS_WIN" alt+s
sleep 0.5
[ "$(tag Critters LadyBugs)" = false ] || fail "Save did not write the critter change: $(tag Critters LadyBugs)"
click_ladybugs
gtk_keys "$SETTINGS_WIN" alt+x
answer "Save changes\\?" Escape
expect_running "$SETTINGS" "Cancel in the 'save changes' box closed the form"
gtk_keys "$SETTINGS_WIN" alt+x
answer "Save changes\\?" alt+n
expect_exit "$SETTINGS" 5000 0 "Exit, No"
cmp -s "$MAIN" "$E2E_TMP/at-start.xml" || fail "Exit and No did not put back the file as it was at the start"

# ---- Exit without changes asks nothing and changes nothing ----
open_form
close_form "Exit without changes"
cmp -s "$MAIN" "$E2E_TMP/at-start.xml" || fail "Exit without changes changed the file"

# ---- Exit with a change, Yes: saved ----
open_form
click_ladybugs
gtk_keys "$SETTINGS_WIN" alt+x
answer "Save changes\\?" alt+y
expect_exit "$SETTINGS" 5000 0 "Exit, Yes"
[ "$(tag Critters LadyBugs)" = false ] || fail "Exit and Yes did not save the change"

# ---- Default: No resets the speed and the critters only, Yes everything ----
sed -i -e 's#<NumCritters>[0-9]*</NumCritters>#<NumCritters>7</NumCritters>#' \
  -e 's#<SaverSpeed>[0-9]*</SaverSpeed>#<SaverSpeed>42</SaverSpeed>#' \
  -e '/<Stars>/,/<\/Stars>/s#<ColorScheme>[0-9]*</ColorScheme>#<ColorScheme>5</ColorScheme>#' "$MAIN"
for case in "alt+n 100 10 5" "alt+y 100 10 18"; do
  read -r key critters speed scheme <<<"$case"
  cp "$MAIN" "$E2E_TMP/before-default.xml"
  open_form
  gtk_keys "$SETTINGS_WIN" alt+d
  answer "Default values" "$key"
  gtk_keys "$SETTINGS_WIN" alt+e
  expect_exit "$SETTINGS" 5000 0 "Default ($key), then Save & exit"
  got="$(tag Critters NumCritters) $(tag General SaverSpeed) $(tag Stars ColorScheme)"
  [ "$got" = "$critters $speed $scheme" ] || fail "Default ($key): critters, speed, scheme are $got, not $critters $speed $scheme"
  cp "$E2E_TMP/before-default.xml" "$MAIN"
done

# ---- a killed settings program leaves no preview behind ----
open_form
deadline=$(( $(now_ms) + 10000 ))
until [ -n "$(preview_pid)" ] || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.1; done
pid="$(preview_pid)"
[ -n "$pid" ] || fail "no preview to orphan"
kill -KILL "$SETTINGS"
deadline=$(( $(now_ms) + 5000 ))
while kill -0 "$pid" 2>/dev/null && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "the preview outlived the killed settings program"
# Any saver of this run's sandbox (other runs may have theirs).
for p in $(pgrep -f -- "meadowglow -window-id"); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "MEADOWGLOW_HOME=$MEADOWGLOW_HOME" &&
    fail "a saver process is left: $(tr '\0' ' ' <"/proc/$p/cmdline")"
done
note "a killed settings program took its preview with it"
exit 0
