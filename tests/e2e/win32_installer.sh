#!/usr/bin/env bash
# The Windows installer under Wine, silently (/S): it places the saver and its
# art in the user's local application folder, records the installation path
# where the saver reads it and makes it the current screen saver; the
# installed saver runs from there and closes; the uninstaller (also /S) takes
# every file and registry value away again and puts the earlier choice back.
# Usage: win32_installer.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
SETUP="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/MeadowglowSetup.exe"
[ -f "$SETUP" ] || skip "no installer at $SETUP (makensis was not found at build time)"
e2e_init 1024x768
wine_init

KEY='HKCU\Software\Tallow Fen Software\Screen Savers\Meadowglow'
DESKTOP='HKCU\Control Panel\Desktop'
UNINST='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Meadowglow'

# reg_value KEY NAME: the value's data, empty when it does not exist.
reg_value() {
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }'
}

# A screen saver the user had chosen before, to be put back on uninstall.
"$WINE" reg add "$DESKTOP" /v SCRNSAVE.EXE /d 'C:\windows\system32\earlier.scr' /f >/dev/null 2>&1 ||
  fail "cannot set the earlier screen saver"

"$WINE" "$SETUP" /S || fail "the installer failed (status $?)"
# Wine now and then fails to start its cmd just after another program ended
# ("Application could not be started"): asked again, it answers.
for _ in 1 2 3; do
  LOCALAPPDATA_WIN="$("$WINE" cmd /c echo '%LOCALAPPDATA%' | tr -d '\r')"
  case "$LOCALAPPDATA_WIN" in [A-Za-z]:\\*) break ;; esac
  sleep 1
done
DIR_WIN="$LOCALAPPDATA_WIN\\Tallow Fen Software\\Screen Savers\\Meadowglow"
DIR="$(winepath -u "$DIR_WIN" 2>/dev/null)"
[ -d "$DIR" ] || fail "no installation folder at $DIR_WIN"
for f in Meadowglow.scr Uninstall.exe ladybug0.bmp beebug1.bmp Email_A.bmp critterpic1.jpg critterpic10.jpg Help.htm; do
  [ -f "$DIR/$f" ] || fail "the installer did not place $f"
done
note "installed into $DIR_WIN"

path="$(reg_value "$KEY" InstallPath)"
[ "$path" = "$DIR_WIN\\" ] || fail "InstallPath is '$path', expected '$DIR_WIN\\'"
saver="$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
[ "$saver" = "$DIR_WIN\\Meadowglow.scr" ] || fail "SCRNSAVE.EXE is '$saver'"
[ -n "$(reg_value "$UNINST" UninstallString)" ] || fail "no uninstall entry"

# The installed saver: full screen, drawn, closed by a key; its settings land
# in the folder the registry names.
xdotool mousemove 100 100
start_bg SAVER "$WINE" "$DIR_WIN\\Meadowglow.scr" /s
wait_window Screensaver 40 >/dev/null
sleep 1
expect_running "$SAVER" "the installed saver ended on its own"
import -window root "$E2E_TMP/installed.png" || fail "no screenshot"
white="$(white_fraction "$E2E_TMP/installed.png")"
below "$white" 0.5 || fail "the installed saver did not cover the screen ($white white)"
xdotool key space
expect_exit "$SAVER" 5000 0 "the installed saver, a key press"
[ -f "$DIR/Meadowglow.xml" ] || fail "the installed saver did not keep its settings in its folder"

# The uninstaller copies itself elsewhere and returns at once: wait for its work.
"$WINE" "$DIR_WIN\\Uninstall.exe" /S || fail "the uninstaller failed (status $?)"
deadline=$(( $(now_ms) + 30000 ))
while [ -e "$DIR" ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.2; done
[ -e "$DIR" ] && fail "the installation folder is still there: $(ls "$DIR")"
[ -e "$(dirname "$DIR")" ] && fail "the empty vendor folder is still there"
"$WINE" reg query "$KEY" >/dev/null 2>&1 && fail "the product's registry key is still there"
"$WINE" reg query 'HKCU\Software\Tallow Fen Software' >/dev/null 2>&1 && fail "the vendor's registry key is still there"
"$WINE" reg query "$UNINST" >/dev/null 2>&1 && fail "the uninstall entry is still there"
saver="$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
[ "$saver" = 'C:\windows\system32\earlier.scr' ] || fail "SCRNSAVE.EXE is '$saver' after uninstalling, not the earlier one"
note "uninstalled: no files, no registry values left; the earlier screen saver is back"
exit 0
