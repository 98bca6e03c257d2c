#!/usr/bin/env bash
# After a full-screen run (-s): the last frame becomes the root window's
# picture (and _XROOTPMAP_ID names it), the help page goes to a stand-in
# desktop manager on the first run only, the news page is fetched from the
# loopback vendor server and handed over too, and a plain-window run does none
# of this; a vendor server that drips or hangs does not keep the process
# alive after the close.
# Usage: posix_exittasks.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
DESKMAN="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_xdeskman"
[ -x "$PROG" ] || fail "no program at $PROG"
[ -x "$DESKMAN" ] || fail "no test tool at $DESKMAN (build the mg_xdeskman target)"
e2e_init 1024x768
SHARED="${MEADOWGLOW_HOME%/}/shared"
LOG="$MEADOWGLOW_HOME/RunLog.txt"
# The vendor's services on loopback. The clock setting stays off (its
# default): a test never sets the clock.
vendor_start

printf '<ConfigFile name="Meadowglow">\r\n\t<Wallpaper>\r\n\t\t<Type>1</Type>\r\n\t\t<NumPictures>0</NumPictures>\r\n\t</Wallpaper>\r\n</ConfigFile>' \
  >"$MEADOWGLOW_HOME/Meadowglow.xml"

# A stand-in for GNOME's settings tool, which records what it is told; the
# session bus it needs is only pretended.
mkdir -p "$E2E_TMP/bin"
printf '#!/bin/sh\necho "$*" >>"%s/gsettings.log"\n' "$E2E_TMP" >"$E2E_TMP/bin/gsettings"
chmod +x "$E2E_TMP/bin/gsettings"
export PATH="$E2E_TMP/bin:$PATH" DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-bus"

start_bg DESK "$DESKMAN"
deadline=$(( $(now_ms) + 10000 ))
until grep -q ready "$E2E_TMP/DESK.out" || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.05; done
grep -q ready "$E2E_TMP/DESK.out" || fail "the stand-in desktop manager did not start"

run_saver() {
  xdotool mousemove 100 100
  start_bg SAVER "$PROG" "$@"
  wait_window "${WINDOW_NAME:-Screensaver}" 10 >/dev/null
  sleep 1
  expect_running "$SAVER" "the saver ended on its own"
  xdotool key space
  expect_exit "$SAVER" 5000 0 "a key press after $*"
}

# First full-screen run.
run_saver -s
[ "$(cat "$MEADOWGLOW_HOME/RunOnce.xml")" = "<RunOnce>First run complete</RunOnce>" ] || fail "RunOnce.xml not written"
want="<Run>\"${MEADOWGLOW_HOME}TallowFenHtmlPage.exe\" cmd=\"HelpPage\" url=\"${MEADOWGLOW_HOME}Help.htm\" path=\"\"</Run>"
[ "$(cat "$SHARED/ScreenSaverTaskList_1.xml")" = "$want" ] || fail "task list 1 holds '$(cat "$SHARED/ScreenSaverTaskList_1.xml")'"
sleep 0.3
[ "$(grep -c 'command 1 lparam 0' "$E2E_TMP/DESK.out")" = 1 ] || fail "the desktop manager got: $(cat "$E2E_TMP/DESK.out")"
# The news page: checked, fetched, stored under the installation's identifier
# and handed to the desktop manager as command 0.
id="$(cat "$MEADOWGLOW_HOME/Id.dat")"
[ -n "$id" ] || fail "no Id.dat"
grep -q "\"target\": \"/cgi-bin/InfoNook.exe?cmd=Check&guid=$id&TFNew=true&TFUdt=true&TFNews=true&CoolSite=true&USNews=true&IntlNews=true&zip=&product=Meadowglow\"" "$VENDOR_RECORD" ||
  fail "no check request: $(cat "$VENDOR_RECORD")"
grep -q "cmd=Display&guid=$id&" "$VENDOR_RECORD" || fail "no display request"
grep -q "cmd=GetTime" "$VENDOR_RECORD" && fail "the clock was asked for with the setting off"
grep -q "Your InfoNook page" "${MEADOWGLOW_HOME}$id.htm" || fail "no news page file"
want="<Run>\"${MEADOWGLOW_HOME}TallowFenHtmlPage.exe\" cmd=\"InfoNook\" url=\"${MEADOWGLOW_HOME}$id.htm\" path=\"${MEADOWGLOW_HOME}Meadowglow.xml\"</Run>"
[ "$(cat "$SHARED/ScreenSaverTaskList_0.xml")" = "$want" ] || fail "task list 0 holds '$(cat "$SHARED/ScreenSaverTaskList_0.xml")'"
[ "$(grep -c 'command 0 lparam 0' "$E2E_TMP/DESK.out")" = 1 ] || fail "the desktop manager got: $(cat "$E2E_TMP/DESK.out")"
grep -qs "InfoNook Error" "$LOG" && fail "the news page logged an error: $(cat "$LOG")"
note "help page and news page sent to the desktop manager"

# The wallpaper: the whole last frame as a BMP, shown on the root window.
bmp="$MEADOWGLOW_HOME/dynTallowFenWallpaper.bmp"
[ -f "$bmp" ] || fail "no wallpaper picture"
[ "$(stat -c %s "$bmp")" = $(( 54 + 1024 * 3 * 768 )) ] || fail "wallpaper picture has $(stat -c %s "$bmp") bytes"
[ "$(head -c 2 "$bmp")" = BM ] || fail "wallpaper picture is no BMP"
xprop -root _XROOTPMAP_ID | grep -q 'pixmap id # 0x' || fail "_XROOTPMAP_ID: $(xprop -root _XROOTPMAP_ID)"
xprop -root ESETROOT_PMAP_ID | grep -q 'pixmap id # 0x' || fail "ESETROOT_PMAP_ID is not set"
import -window root "$E2E_TMP/root.png" || fail "no screenshot"
white="$(white_fraction "$E2E_TMP/root.png")"
below "$white" 0.5 || fail "the root window is still white ($white) after the wallpaper was set"
# The root shows the picture itself: compare with the BMP, pixel for pixel within a small tolerance.
diff="$(compare -metric AE -fuzz 2% "$E2E_TMP/root.png" "$bmp" null: 2>&1)"
[ "${diff%% *}" -lt 1000 ] 2>/dev/null || fail "the root window differs from the wallpaper picture in $diff pixels"
note "root window shows the last frame (white share $white, differing pixels $diff)"
grep -qx "set org.gnome.desktop.background picture-uri file://${MEADOWGLOW_HOME}dynTallowFenWallpaper.bmp" "$E2E_TMP/gsettings.log" &&
  grep -qx "set org.gnome.desktop.background picture-options stretched" "$E2E_TMP/gsettings.log" ||
  fail "GNOME's setting was not made: $(cat "$E2E_TMP/gsettings.log")"

# Second full-screen run: no help page again.
run_saver -s
sleep 0.3
[ "$(grep -c 'command 1 lparam 0' "$E2E_TMP/DESK.out")" = 1 ] || fail "the help page was sent again"

# A vendor server that drips its answers a byte a second, or says nothing at
# all: the exit tasks' downloads share a few seconds, so the process is gone
# soon after the key whatever the server does.
for mode in drip hang; do
  printf '{"mode": "%s"}' "$mode" >"$VENDOR_KNOBS"
  xdotool mousemove 100 100
  start_bg SAVER "$PROG" -s
  wait_window Screensaver 10 >/dev/null
  sleep 1
  xdotool key space
  expect_exit "$SAVER" 8000 0 "a close with the vendor server in $mode mode"
  grep -q "InfoNook Error" "$LOG" || fail "the $mode server's news page failure was not logged: $(cat "$LOG")"
done
printf '{}' >"$VENDOR_KNOBS"

# A plain window is no full-screen run: no exit tasks.
rm -f "$MEADOWGLOW_HOME/RunOnce.xml" "$SHARED/ScreenSaverTaskList_1.xml"
WINDOW_NAME=Meadowglow run_saver -window
[ -f "$MEADOWGLOW_HOME/RunOnce.xml" ] && fail "a plain-window run ran the exit tasks"
exit 0
