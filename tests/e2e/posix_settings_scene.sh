#!/usr/bin/env bash
# The scene, wallpaper, internet and weather pages and the help window of the
# Linux settings program, driven with the keyboard as a person would: each
# page's change lands in Meadowglow.xml after OK; Cancel and Escape leave the
# file as it was and the page shows the old value again; Default brings the
# defaults back. The background page adds a real picture through the file
# chooser and removes it; the help window opens the help page and the support
# page through the desktop's handlers (a recording stand-in here).
# Usage: posix_settings_scene.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
e2e_init
command -v xdotool >/dev/null || skip "xdotool is not installed"
MAIN="${MEADOWGLOW_HOME%/}/Meadowglow.xml"

# xml_value SECTION TAG: the text of <TAG> inside the file's <SECTION>.
xml_value() {
  sed -n "/<$1>/,/<\/$1>/p" "$MAIN" | grep -o "<$2>[^<]*</$2>" | head -n1 | sed "s/<[^>]*>//g"
}

# expect_value SECTION TAG VALUE WHAT
expect_value() {
  local got
  got="$(xml_value "$1" "$2")"
  [ "$got" = "$3" ] || fail "$4: <$1>/<$2> is '$got', expected '$3'"
}

# Window names below are xdotool's patterns (regular expressions).

# page_keys CAPTION KEY...: keys into the open page; the page must stay open.
page_keys() {
  local win
  win="$(wait_window "$1" 5)" || exit 1
  shift
  [ "$#" -eq 0 ] || gtk_keys "$win" "$@"
}

# close_page CAPTION HOW: closes the page and waits until it is gone. HOW is
# "ok" or "cancel" (the buttons, reached backwards from the first control
# with FOCUS_AT tabs already taken), or "escape".
FOCUS_AT=0
close_page() {
  local caption="$1" how="$2" back=$((FOCUS_AT + 1)) keys=() i
  case "$how" in
    ok) ;;
    cancel) back=$((back + 1)) ;;
    escape) back=0 ;;
  esac
  for ((i = 0; i < back; i++)); do keys+=(shift+Tab); done
  if [ "$how" = escape ]; then keys+=(Escape); else keys+=(space); fi
  page_keys "$caption" "${keys[@]}"
  wait_gone "$caption" 50 "$caption stayed open after $how"
}

# default_then_ok CAPTION: the page's Default button (left of Cancel and OK),
# then OK.
default_then_ok() {
  page_keys "$1" shift+Tab shift+Tab shift+Tab space Tab Tab space
  wait_gone "$1" 50 "$1 stayed open after Default and OK"
}

# One row a page: options list entry, caption, section, tag, the default
# value, the keys that change the control the page opens focused on (after
# FOCUS tabs), and the value they give from the default.
PAGES=(
  "Background / Star Fields|Screen Saver Background Options|Stars|Enabled|false|0|space|true"
  "Rendering|Screen Saver Rendering Options|General|RenderStyle|2|0|Up|1"
  "Special Effects|Special Effects|Emitters|LifeTime|40|0|Right|41"
  "Desktop Wallpaper|Desktop Wallpaper|Wallpaper|Type|0|0|Down|1"
  "Internet|Internet|Internet|TFNewsNotifyProducts|true|0|space|false"
  "Weather Data|Weather Data|WeatherData|DisplayTemp|false|1|Tab space|true"
)

# page_round ROW: Escape and Cancel leave the file as it was (Cancel puts back
# the page's sections as the settings program found them, which is what the
# file holds here) and the page shows that value again; OK keeps a change;
# Default brings the default back. The page ends at its defaults.
page_round() {
  local entry caption section tag default focus change changed before keys
  IFS='|' read -r entry caption section tag default focus change changed <<<"$1"
  read -r -a keys <<<"$change"
  FOCUS_AT="$focus"
  expect_value "$section" "$tag" "$default" "$entry before any change"

  before="$(md5sum <"$MAIN")"
  settings_open_page "$entry" "$caption" >/dev/null
  page_keys "$caption" "${keys[@]}"
  close_page "$caption" escape
  [ "$(md5sum <"$MAIN")" = "$before" ] || fail "$entry: Escape changed the file"

  settings_open_page "$entry" "$caption" >/dev/null
  page_keys "$caption" "${keys[@]}"
  close_page "$caption" cancel
  [ "$(md5sum <"$MAIN")" = "$before" ] || fail "$entry: Cancel changed the file"

  # Had Cancel left the change in the page, the same keys would now give
  # another value (a switch flips back, a scale or a radio moves on).
  settings_open_page "$entry" "$caption" >/dev/null
  page_keys "$caption" "${keys[@]}"
  close_page "$caption" ok
  expect_value "$section" "$tag" "$changed" "$entry: change and OK"

  settings_open_page "$entry" "$caption" >/dev/null
  default_then_ok "$caption"
  expect_value "$section" "$tag" "$default" "$entry: Default and OK"
  note "$entry: Escape, Cancel, OK, Default"
}

# The background page's picture list: a picture added through the file
# chooser's location field, then removed; Remove with nothing selected says so.
# Tab order with the star field off: star switch, picture switch, Add,
# Remove, list.
pictures_round() {
  local caption="Screen Saver Background Options" picture="$E2E_TMP/pics/my own picture.jpg" count win
  mkdir -p "$E2E_TMP/pics"
  cp "${MEADOWGLOW_HOME%/}/critterpic3.jpg" "$picture" || fail "no shipped picture to add"
  count="$(xml_value BgBitmap NumPictures)"

  settings_open_page "Background / Star Fields" "$caption" >/dev/null
  page_keys "$caption" Tab Tab space
  win="$(wait_window "Open" 10)" || exit 1
  gtk_keys "$win" ctrl+l
  gtk_type "$win" "$picture"
  gtk_keys "$win" Return
  wait_gone "Open" 50 "the file chooser stayed open"
  FOCUS_AT=2
  close_page "$caption" ok
  expect_value BgBitmap NumPictures "$((count + 1))" "a picture added"
  expect_value BgBitmap "Picture_$count" "$picture" "the added picture"

  # The last line is the new picture: select it and remove it.
  settings_open_page "Background / Star Fields" "$caption" >/dev/null
  page_keys "$caption" Tab Tab Tab Tab End shift+Tab space
  FOCUS_AT=3
  close_page "$caption" ok
  expect_value BgBitmap NumPictures "$count" "the picture removed"
  grep -qF "$picture" "$MAIN" && fail "the removed picture is still in the file"

  settings_open_page "Background / Star Fields" "$caption" >/dev/null
  page_keys "$caption" Tab Tab Tab space
  win="$(wait_window "Error" 5)" || exit 1
  gtk_keys "$win" Return
  wait_gone "Error" 50 "the error box stayed open"
  FOCUS_AT=3
  close_page "$caption" escape
  expect_value BgBitmap NumPictures "$count" "Remove with nothing selected"
  note "pictures: added through the file chooser, removed, nothing-selected box"
}

# The fog colour sample shows the settings' colour (pure blue by default).
sample_round() {
  local win share
  win="$(settings_open_page "Special Effects")" || exit 1
  sleep 0.3
  import -window "$win" "$E2E_TMP/effects.png" 2>/dev/null || fail "no screenshot of the effects page"
  share="$(colour_fraction "$E2E_TMP/effects.png" "#0000FF")"
  below 0.02 "$share" || fail "the fog colour sample is not blue ($share of the page)"
  close_page "Special Effects" escape
  note "effects: the colour sample covers $share of the page in the fog colour"
}

# The wallpaper page opens the background page over itself for its list;
# its own Remove stays enabled and, with nothing selected, says so. Tab
# order: the chosen radio, Edit current list, Add, Remove.
wallpaper_round() {
  local win
  settings_open_page "Desktop Wallpaper" >/dev/null
  page_keys "Desktop Wallpaper" Tab space
  wait_window "Screen Saver Background Options" 5 >/dev/null || exit 1
  close_page "Screen Saver Background Options" escape
  page_keys "Desktop Wallpaper" Tab Tab space
  win="$(wait_window "Error" 5)" || exit 1
  gtk_keys "$win" Return
  wait_gone "Error" 50 "the error box stayed open"
  close_page "Desktop Wallpaper" escape
  note "wallpaper: Edit current list opened the background page; Remove with nothing selected"
}

# The zip code field keeps digits, at most five.
zip_round() {
  settings_open_page "Weather Data" >/dev/null
  gtk_type "$(wait_window "Weather Data" 5)" "9a0x2107"
  FOCUS_AT=0
  close_page "Weather Data" ok
  expect_value WeatherData ZipCode "90210" "zip code typed with letters and a sixth digit"
  note "weather: the zip code field kept '90210'"
}

# A stand-in browser for the desktop's handlers: it writes what it was given.
browser_install() {
  local apps="$XDG_DATA_HOME/applications"
  mkdir -p "$apps" "$HOME/.config"
  cat >"$E2E_TMP/browser.sh" <<EOF
#!/bin/sh
echo "\$1" >>"$E2E_TMP/opened.txt"
EOF
  chmod +x "$E2E_TMP/browser.sh"
  cat >"$apps/mg-test-browser.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Test browser
Exec=$E2E_TMP/browser.sh %u
MimeType=text/html;x-scheme-handler/http;
EOF
  printf '[Default Applications]\ntext/html=mg-test-browser.desktop\nx-scheme-handler/http=mg-test-browser.desktop\n' \
    >"$HOME/.config/mimeapps.list"
}

# wait_opened TEXT: the stand-in browser was given TEXT within 5 s.
wait_opened() {
  local deadline=$(( $(now_ms) + 5000 ))
  until grep -qF "$1" "$E2E_TMP/opened.txt" 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the browser was not given $1: $(cat "$E2E_TMP/opened.txt" 2>/dev/null)"
    sleep 0.1
  done
}

# The help window: OK has the focus; "View help file" and "Online support"
# lie before it. Without a browser for the page the Windows error box
# (caption "Help", like the window) says so.
help_round() {
  local win
  gtk_keys "$SETTINGS_WIN" alt+h
  win="$(wait_window Help 5)" || exit 1
  gtk_keys "$win" shift+Tab shift+Tab space
  local deadline=$(( $(now_ms) + 5000 ))
  while [ "$(xdotool search --onlyvisible --name '^Help$' 2>/dev/null | wc -l)" -lt 2 ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "no error box for a help page nothing can show"
    sleep 0.05
  done
  xdotool key Return
  sleep 0.3
  window_present Help || fail "the help window closed with the error box"

  # The focus is back on "View help file".
  browser_install
  gtk_keys "$win" space
  # GIO hands a local page over as its path.
  wait_opened "${MEADOWGLOW_HOME%/}/Help.htm"
  gtk_keys "$win" Tab space
  wait_opened "http://$MEADOWGLOW_VENDOR_HOST/support/Meadowglow.htm"
  gtk_keys "$win" Tab space
  wait_gone Help 50 "the help window stayed open after OK"
  note "help: the error box, the help page and the support page opened; OK closed it"
}

settings_start
for row in "${PAGES[@]}"; do page_round "$row"; done
pictures_round
sample_round
wallpaper_round
zip_round
help_round
# The pages' changes were saved by their OK; the form still asks, as on Windows.
gtk_keys "$SETTINGS_WIN" alt+x
gtk_keys "$(wait_window "Save changes\\?" 5)" alt+y
expect_exit "$SETTINGS" 5000 0 "the settings program on Exit"
exit 0
