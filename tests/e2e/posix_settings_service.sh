#!/usr/bin/env bash
# The date and time, reminders, video mode, sound and e-mail pages of the
# Linux settings program, driven with the keyboard and the mouse as a person
# would: for each page a change kept by OK lands in the file, a change left
# by Cancel or Escape leaves both files as they were, and Default then OK
# writes the defaults. The reminders page also adds a reminder (the shared
# file) and its Cancel puts the shared list back; the sound page's Set Wav
# takes a file through the file chooser and Test Wav plays it (SDL's disk
# driver writes what the sound service plays to a file).
# Usage: posix_settings_service.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
e2e_init 1280x1024

MAIN="${MEADOWGLOW_HOME%/}/Meadowglow.xml"
SHARED="${MEADOWGLOW_HOME%/}/shared/Shared.xml"
# value FILE SECTION KEY: the text of <KEY> inside <SECTION>.
value() {
  awk -v s="<$2>" -v e="</$2>" -v k="$3" '
    index($0, s) { inside = 1 } index($0, e) { inside = 0 }
    inside && index($0, "<" k ">") { sub(".*<" k ">", ""); sub("</" k ">.*", ""); print; exit }' "$1"
}
expect() { [ "$(value "$1" "$2" "$3")" = "$4" ] || fail "$5: <$2><$3> is '$(value "$1" "$2" "$3")', expected '$4'"; }
sums() { md5sum "$MAIN" "$SHARED"; }
open_page() {
  local win
  win="$(settings_open_page "$1" "$2")" || fail "the page '$2' did not open"
  [ -n "$win" ] || fail "the page '$2' did not open"
  # The page's first control has the focus once it is shown.
  sleep 0.3
  echo "$win"
}
closed() { wait_gone "$1" 50 "the page '$1' did not close"; }
# OK as a mouse user presses it: the bottom-right button of the page.
click_ok() {
  local w h
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=')"
  w=$WIDTH h=$HEIGHT
  xdotool mousemove --window "$1" $((w - 24)) $((h - 20)) click 1
}

# What the sound service plays goes to a file (SDL's disk driver).
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/played.raw"
settings_start
[ -s "$MAIN" ] && [ -s "$SHARED" ] || fail "the settings program wrote no files"

# entry | caption | keys that change the setting from the first control |
# keys that bring the focus back to it | section | key | changed | default
PAGES=(
  "Date and Time|Date and Time|space||DateTime|SetTime|true|false"
  "Reminders and Lists|Reminders and Lists|space||Reminders|Enabled|true|false"
  "Video mode / Thread priority|Video mode / Thread priority|Tab Right|shift+Tab|VideoMode|ThreadPriority|-1|0"
  "Sound / Alarm|Screen Saver Sound Options|space||CDPlayer|Enabled|true|false"
  "E-mail|E-mail|space||Email|Notify|false|true"
)
# Past the first control backwards is OK, then Cancel, then Default.
for row in "${PAGES[@]}"; do
  IFS='|' read -r entry caption change back section key changed default <<<"$row"
  # shellcheck disable=SC2206
  change_keys=($change) back_keys=($back)
  [ "$(value "$MAIN" "$section" "$key")" = "$default" ] || fail "$caption: <$key> does not start at its default"
  note "$caption: Cancel, Escape, OK, Default"
  before="$(sums)"
  win="$(open_page "$entry" "$caption")"
  gtk_keys "$win" "${change_keys[@]}"
  expect "$MAIN" "$section" "$key" "$changed" "$caption: the change was not written at once"
  gtk_keys "$win" "${back_keys[@]}" shift+Tab shift+Tab Return
  closed "$caption"
  [ "$(sums)" = "$before" ] || fail "$caption: Cancel did not put the files back"

  win="$(open_page "$entry" "$caption")"
  gtk_keys "$win" "${change_keys[@]}" Escape
  closed "$caption"
  [ "$(sums)" = "$before" ] || fail "$caption: Escape did not put the files back"

  win="$(open_page "$entry" "$caption")"
  gtk_keys "$win" "${change_keys[@]}" "${back_keys[@]}" shift+Tab Return
  closed "$caption"
  expect "$MAIN" "$section" "$key" "$changed" "$caption OK"

  win="$(open_page "$entry" "$caption")"
  gtk_keys "$win" shift+Tab shift+Tab shift+Tab Return
  expect "$MAIN" "$section" "$key" "$default" "$caption Default"
  # Default keeps the focus: OK is two buttons on.
  gtk_keys "$win" Tab Tab Return
  closed "$caption"
  expect "$MAIN" "$section" "$key" "$default" "$caption Default then OK"
done

note "Reminders: a reminder added goes to the shared file; Cancel puts the shared list back"
R="Reminders and Lists"
expect "$SHARED" Reminders NumReminders 0 "the shared file at the start"
win="$(open_page "$R" "$R")"
# Title, message, then on to "Add" past the schedule and the date.
gtk_keys "$win" Tab Tab Tab
gtk_type "$win" "Dentist"
gtk_keys "$win" Tab
gtk_type "$win" "Tuesday at nine"
gtk_keys "$win" Tab Tab Tab Tab Tab Tab Return
expect "$SHARED" Reminders NumReminders 1 "Add"
grep -q '<RemTitle>Dentist</RemTitle>' "$SHARED" || fail "the shared file holds no reminder 'Dentist': $(cat "$SHARED")"
grep -q '<RemMsg>Tuesday at nine</RemMsg>' "$SHARED" || fail "the reminder's message is not in the shared file"
click_ok "$win"
closed "$R"
expect "$SHARED" Reminders NumReminders 1 "OK after Add"
# Default resets the switches but keeps the list.
win="$(open_page "$R" "$R")"
gtk_keys "$win" shift+Tab shift+Tab shift+Tab Return Tab Tab Return
closed "$R"
expect "$SHARED" Reminders NumReminders 1 "Default kept the list"
# A Cancel reads the list back as it was when the settings program started.
win="$(open_page "$R" "$R")"
gtk_keys "$win" space Escape
closed "$R"
expect "$SHARED" Reminders NumReminders 0 "Cancel put back the shared list"

note "Sound: Set Wav through the file chooser, Test Wav plays it, Stop Wav, Cancel"
# 0.2 s of 16-bit stereo at 44.1 kHz with no silent byte in it.
WAVE="$E2E_TMP/chime.wav"
{
  printf 'RIFF\xf4\x89\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00'
  printf 'data\xd0\x89\x00\x00'
  head -c 35280 /dev/urandom | tr '\000' '\001'
} >"$WAVE"
sounded() { [ -s "$1" ] && [ "$(tr -d '\000' <"$1" | head -c 1 | wc -c)" = 1 ]; }
S="Screen Saver Sound Options"
before="$(sums)"
win="$(open_page "Sound / Alarm" "$S")"
# Enable, Auto shutoff, the minutes, the chime radios, then "Set Wav".
gtk_keys "$win" Tab Tab Tab Tab space
chooser="$(wait_window Open 10)" || fail "Set Wav opened no file chooser"
[ -n "$chooser" ] || fail "Set Wav opened no file chooser"
gtk_keys "$chooser" ctrl+l
gtk_type "$chooser" "$WAVE"
gtk_keys "$chooser" Return
wait_gone Open 50 "the file chooser did not close"
expect "$MAIN" Sound ChimeFileName "$WAVE" "Set Wav"
sounded "$E2E_TMP/played.raw" && fail "something played before Test Wav"
# "Test Wav" is next to "Set Wav".
gtk_keys "$win" Tab space
deadline=$(( $(now_ms) + 5000 ))
until sounded "$E2E_TMP/played.raw" || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.1; done
sounded "$E2E_TMP/played.raw" || fail "Test Wav played nothing"
gtk_keys "$win" Tab space Escape
closed "$S"
[ "$(sums)" = "$before" ] || fail "$S: Cancel did not put back the chime's file"

note "the program is still answering"
xdotool getwindowname "$SETTINGS_WIN" >/dev/null 2>&1 || fail "the main form is gone"
exit 0
