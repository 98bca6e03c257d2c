#!/usr/bin/env bash
# Meadowglow.scr /s under Wine, then its exit tasks: the last frame written to
# the Windows folder and made the desktop wallpaper (the registry value Windows
# keeps it in), the help page posted to a stand-in desktop manager window on
# the first run only, and the news page fetched from the loopback vendor
# server, stored and handed over as well.
# Usage: win32_exittasks.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
SCR="${1:?usage: $0 <Meadowglow.scr>}"
DESKMAN="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_windeskman.exe"
[ -f "$SCR" ] || fail "no program at $SCR"
[ -f "$DESKMAN" ] || fail "no test tool at $DESKMAN (build the mg_windeskman target)"
e2e_init 1024x768
wine_init
C="$WINEPREFIX/drive_c"
INSTALL="$C/Program files/Tallow Fen Software/Screen Savers/Meadowglow"
SHARED="$C/Program files/Tallow Fen Software/Shared/Screen Savers"
# The vendor's services on loopback. The clock setting stays off (its
# default): a test never sets the clock.
vendor_start
mkdir -p "$INSTALL"
printf '<ConfigFile name="Meadowglow">\r\n\t<Wallpaper>\r\n\t\t<Type>1</Type>\r\n\t\t<NumPictures>0</NumPictures>\r\n\t</Wallpaper>\r\n</ConfigFile>' \
  >"$INSTALL/Meadowglow.xml"

start_bg DESK "$WINE" "$DESKMAN"
deadline=$(( $(now_ms) + 15000 ))
until grep -q ready "$E2E_TMP/DESK.out" || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.05; done
grep -q ready "$E2E_TMP/DESK.out" || fail "the stand-in desktop manager did not start"

run_saver() {
  xdotool mousemove 100 100
  start_bg SAVER "$WINE" "$SCR" /s
  wait_window Screensaver 15 >/dev/null
  sleep 1
  expect_running "$SAVER" "the saver ended on its own"
  xdotool key space
  expect_exit "$SAVER" 15000 0 "a key press"
}

run_saver
[ "$(cat "$INSTALL/RunOnce.xml")" = "<RunOnce>First run complete</RunOnce>" ] || fail "RunOnce.xml not written"
want='<Run>"C:\Program files\Tallow Fen Software\Screen Savers\Meadowglow\TallowFenHtmlPage.exe" cmd="HelpPage" url="C:\Program files\Tallow Fen Software\Screen Savers\Meadowglow\Help.htm" path=""</Run>'
got="$(cat "$SHARED/ScreenSaverTaskList_1.xml")"
[ "$got" = "$want" ] || fail "task list 1 holds '$got'"
sleep 0.5
[ "$(grep -c 'command 1 lparam 0' "$E2E_TMP/DESK.out")" = 1 ] || fail "the desktop manager got: $(cat "$E2E_TMP/DESK.out")"
# The news page: Id.dat in the installation folder names the request and the page file.
id="$(cat "$INSTALL/Id.dat")"
[ -n "$id" ] || fail "no Id.dat in the installation folder"
grep -q "\"target\": \"/cgi-bin/InfoNook.exe?cmd=Check&guid=$id&TFNew=true&TFUdt=true&TFNews=true&CoolSite=true&USNews=true&IntlNews=true&zip=&product=Meadowglow\"" "$VENDOR_RECORD" ||
  fail "no check request: $(cat "$VENDOR_RECORD")"
grep -q "cmd=GetTime" "$VENDOR_RECORD" && fail "the clock was asked for with the setting off"
grep -q "Your InfoNook page" "$INSTALL/$id.htm" || fail "no news page file"
got="$(cat "$SHARED/ScreenSaverTaskList_0.xml")"
case "$got" in *"cmd=\"InfoNook\" url=\"C:\Program files\Tallow Fen Software\Screen Savers\Meadowglow\\$id.htm\""*) ;; *) fail "task list 0 holds '$got'" ;; esac
[ "$(grep -c 'command 0 lparam 0' "$E2E_TMP/DESK.out")" = 1 ] || fail "the desktop manager got: $(cat "$E2E_TMP/DESK.out")"
grep -qs "InfoNook Error" "$INSTALL/RunLog.txt" && fail "the news page logged an error"

bmp="$C/windows/dynTallowFenWallpaper.bmp"
[ -f "$bmp" ] || fail "no wallpaper picture in the Windows folder"
[ "$(stat -c %s "$bmp")" = $(( 54 + 1024 * 3 * 768 )) ] || fail "wallpaper picture has $(stat -c %s "$bmp") bytes"
reg="$("$WINE" reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | tr -d '\r')"
echo "$reg" | grep -qi 'C:\\windows\\dynTallowFenWallpaper.bmp' || fail "registry wallpaper value: $reg"
note "wallpaper registered: $(echo "$reg" | grep -i wallpaper)"

run_saver
sleep 0.5
[ "$(grep -c 'command 1 lparam 0' "$E2E_TMP/DESK.out")" = 1 ] || fail "the help page was sent again"
exit 0
