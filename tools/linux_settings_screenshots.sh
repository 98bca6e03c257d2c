#!/usr/bin/env bash
# Screenshots of the Linux settings program under Xvfb, each window cropped to
# itself: the main form with its preview running, every option page, the
# Help window and the About box, at the normal scale and at GDK_SCALE=2.
# PNGs go to the folder given (default docs/), named linux-settings-<name>.png
# and linux-settings-<name>-2x.png.
# Usage: tools/linux_settings_screenshots.sh [out-dir]
set -u
here="$(cd "$(dirname "$0")/.." && pwd)"
export MG_BUILD_DIR="${MG_BUILD_DIR:-$here/build/linux}"
OUT="${1:-$here/docs}"
mkdir -p "$OUT"
source "$here/tests/e2e/lib.sh"

# list entry | file name; the page is whatever window the entry opens.
PAGES=("Background / Star Fields|background" "Date and Time|datetime" "Desktop Wallpaper|wallpaper"
       "E-mail|email" "Internet|internet" "Reminders and Lists|reminders" "Rendering|rendering"
       "Sound / Alarm|sound" "Special Effects|effects" "Video mode / Thread priority|videomode"
       "Weather Data|weather")

visible() { xdotool search --onlyvisible --name '.' 2>/dev/null | sort; }
# new_window BEFORE: the first visible named window not in BEFORE, within 10 s.
new_window() {
  local deadline=$(( $(now_ms) + 10000 )) id
  while [ "$(now_ms)" -lt "$deadline" ]; do
    id="$(comm -13 <(printf '%s\n' "$1") <(visible) | head -n1)"
    [ -n "$id" ] && { sleep 0.8; echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
shot() { import -window "$1" "$OUT/linux-settings-$2$SUFFIX.png" && note "$OUT/linux-settings-$2$SUFFIX.png"; }

run_scale() {
  local scale="$1" entry name before page
  SUFFIX=""
  [ "$scale" = 2 ] && SUFFIX="-2x"
  export GDK_SCALE="$scale"
  settings_start
  sleep 4  # the preview's first frames
  shot "$SETTINGS_WIN" main
  for entry in "${PAGES[@]}"; do
    name="${entry#*|}"
    before="$(visible)"
    settings_open_page "${entry%%|*}" '.*' >/dev/null || true
    page="$(new_window "$before")" || { note "no window for ${entry%%|*}"; continue; }
    shot "$page" "$name"
    gtk_keys "$page" Escape
    sleep 0.5
  done
  for button in "alt+h|help" "alt+b|about"; do
    before="$(visible)"
    gtk_keys "$SETTINGS_WIN" "${button%%|*}"
    page="$(new_window "$before")" || { note "no window for ${button#*|}"; continue; }
    shot "$page" "${button#*|}"
    gtk_keys "$page" Escape
    sleep 0.5
  done
  kill "$SETTINGS"
  wait "$SETTINGS" 2>/dev/null
}

e2e_init 2048x1536
run_scale 1
run_scale 2
