#!/usr/bin/env bash
# The same frame on Linux and Windows: both builds' benchmarks, with the same
# settings and the same seed, draw frame 100 of the scene at 640x480 under one
# virtual display, and the two snapshots are compared pixel by pixel. Needs the
# Windows build tree beside the Linux one; skipped (77) without it.
#   1. the first-run scene with its text overlays off: at most 1 % of the
#      pixels may differ by more than 8 levels in a channel;
#   2. the same with the flowered meadow (critterpic1.jpg) as the only
#      picture, where the picture's colour edges are finest, each platform
#      decoding it with its own codec (libjpeg-turbo, WIC): the same 1 %;
#   3. as 1 with the date and the time on: their text shows the wall clock of
#      each run, so the share is printed, and only a share over 20 % fails.
# Usage: posix_parity.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
LINUX="${1:?usage: $0 <path of meadowglow>}"
SCR="${MG_SOURCE_DIR:?}/build/windows/Meadowglow.scr"
DIFF="$(dirname "$0")/../tools/png_diff.py"
[ -x "$LINUX" ] || fail "no program at $LINUX"
if [ ! -f "$SCR" ]; then
  echo "SKIP: no Windows build at $SCR"
  exit 77
fi
e2e_init 1024x768
wine_init

BENCH=(--bench --seed 42 --frames 100 --size 640x480)

# run_linux NAME [OPTIONS...] / run_windows NAME [OPTIONS...]: one benchmark,
# its printed lines in $E2E_TMP/NAME.txt and its snapshot in $E2E_TMP/NAME.png.
run_linux() {
  local name="$1"
  shift
  timeout 120 "$LINUX" "$@" --snapshot "$E2E_TMP/$name.png" >"$E2E_TMP/$name.txt" 2>"$E2E_TMP/$name.err" ||
    fail "the Linux benchmark '$name' failed: $(cat "$E2E_TMP/$name.err")"
}
run_windows() {
  local name="$1" shot
  shift
  shot="$(winepath -w "$E2E_TMP/$name.png" 2>/dev/null)"
  [ -n "$shot" ] || fail "winepath gave no path"
  # Wine ends a GUI program's lines with CR LF, as a console's.
  timeout 120 "$WINE" "$SCR" "$@" --snapshot "$shot" 2>"$E2E_TMP/$name.err" | tr -d '\r' >"$E2E_TMP/$name.txt"
  [ "${PIPESTATUS[0]}" = 0 ] || fail "the Windows benchmark '$name' failed: $(cat "$E2E_TMP/$name.err")"
}

# A first run in each home writes its first-run settings and copies the
# pictures and sprites there.
run_linux first "${BENCH[@]}" --frames 1
run_windows first "${BENCH[@]}" --frames 1
LINUX_FILE="$MEADOWGLOW_HOME/Meadowglow.xml"
WIN_FILE="$(wine_settings_file)"
[ -f "$LINUX_FILE" ] || fail "the Linux build wrote no Meadowglow.xml"
[ -n "$WIN_FILE" ] || fail "the Windows build wrote no Meadowglow.xml"
# The picture folder as the Windows file names it: its first picture, less the name.
WIN_FOLDER="$(sed -n 's|.*<Picture_0>\(.*\\\)[^\\]*</Picture_0>.*|\1|p' "$WIN_FILE")"
[ -n "$WIN_FOLDER" ] || fail "the Windows first-run file names no picture"

# settings PICTURES DATE_TIME: the one settings file, from the Linux first
# run's, with every text overlay off (date, time, countdown, holidays, moon
# phase, temperature, the mail notice and its streamers, the reminders shown
# while running) but the date and the time when DATE_TIME is true, and the
# first PICTURES of the ten pictures; written into both homes, where only the
# pictures' folder differs.
settings() {
  local pictures="$1" dt="$2" text
  text="$(sed -e "s#<\(DisplayTime\|DisplayDate\)>[a-z]*<#<\1>$dt<#" \
              -e 's#<\(EnableCountDown\|DisplayHolidays\|DisplayMoonPhase\|DisplayTemp\)>[a-z]*<#<\1>false<#' \
              -e 's#<\(Notify\|DisplayText\|DisplayStreamers\|ShowWhileRun\)>[a-z]*<#<\1>false<#' \
              -e "s#<NumPictures>10<#<NumPictures>$pictures<#" "$LINUX_FILE.first")"
  for tag in DisplayTime DisplayDate EnableCountDown DisplayHolidays DisplayTemp Notify DisplayText; do
    grep -q "<$tag>\(false\|$dt\)<" <<<"$text" || fail "no $tag switch in the settings"
  done
  grep -q "<NumPictures>$pictures<" <<<"$text" || fail "no list of ten pictures in the settings"
  printf '%s\n' "$text" >"$LINUX_FILE"
  printf '%s\n' "$text" | sed "s|<\(Picture_[0-9]*\)>$MEADOWGLOW_HOME|<\1>$(printf '%s' "$WIN_FOLDER" | sed 's/\\/\\\\/g')|" >"$WIN_FILE"
  grep -q "<Picture_0>${MEADOWGLOW_HOME}critterpic1.jpg<" "$LINUX_FILE" || fail "the Linux settings lost their pictures"
  grep -qF "<Picture_0>${WIN_FOLDER}critterpic1.jpg<" "$WIN_FILE" || fail "the Windows settings name no picture in $WIN_FOLDER"
}
cp "$LINUX_FILE" "$LINUX_FILE.first"

# compare NAME: the share of pixels differing by more than 8 levels between
# the two builds' snapshots of case NAME, in $SHARE.
compare() {
  local name="$1" result
  run_linux "linux-$name" "${BENCH[@]}"
  run_windows "windows-$name" "${BENCH[@]}"
  for os in linux windows; do
    grep -q '^frames: 100$' "$E2E_TMP/$os-$name.txt" && grep -q '^size: 640x480$' "$E2E_TMP/$os-$name.txt" &&
      grep -q '^snapshot: ' "$E2E_TMP/$os-$name.txt" && grep -q '^cpu_ms_per_frame: ' "$E2E_TMP/$os-$name.txt" ||
      fail "the $os benchmark printed other lines: $(cat "$E2E_TMP/$os-$name.txt")"
  done
  result="$(python3 "$DIFF" "$E2E_TMP/linux-$name.png" "$E2E_TMP/windows-$name.png" 8)" ||
    fail "the snapshots of '$name' could not be compared"
  read -r SHARE COUNT LARGEST <<<"$result"
  note "$name: $(awk -v s="$SHARE" 'BEGIN { printf "%.2f", s * 100 }') % of the pixels differ by more than 8 levels ($COUNT pixels; at most $LARGEST levels)"
}

settings 10 false
compare scene
below "$SHARE" 0.01 || fail "the two builds drew different scenes: $SHARE of the pixels differ"

settings 1 false
compare meadow
below "$SHARE" 0.01 || fail "the two builds show the meadow picture differently: $SHARE of the pixels differ"

settings 10 true
compare date-and-time
below "$SHARE" 0.2 || fail "with the date and the time on the frames differ in $SHARE of the pixels"
note "the two builds drew the same scene"
