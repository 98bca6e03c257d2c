#!/usr/bin/env bash
# Under the real XScreenSaver daemon, listed as "meadowglow --root" in the
# user's ~/.xscreensaver: activating the daemon starts the saver once (no
# restarts), it draws into the daemon's window, and deactivating ends it at
# once with status 0. The daemon refuses to run hacks as root, so it runs as a
# throw-away user made for this test. The listed command carries options
# taken from the hack descriptor, as XScreenSaver's panel writes them: they
# reach the saver and never its settings file.
# Usage: posix_xscreensaver.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
command -v xscreensaver >/dev/null && command -v xscreensaver-command >/dev/null || skip "XScreenSaver is not installed"
[ "$(id -u)" = 0 ] || skip "making a throw-away user needs root"
command -v setpriv >/dev/null && command -v useradd >/dev/null || skip "no setpriv or useradd"
e2e_init 800x600

XUSER="mgxss$$"
XHOME="$E2E_TMP/xss-home"
useradd -M -d "$XHOME" -s /bin/sh "$XUSER" >/dev/null 2>&1 || fail "useradd $XUSER failed"
# Everything the throw-away user still runs (the daemon's helpers) ends with it.
end_user() {
  local p
  for p in $(pgrep -u "$XUSER" 2>/dev/null); do kill "$p" 2>/dev/null; done
  sleep 0.2
  for p in $(pgrep -u "$XUSER" 2>/dev/null); do kill -KILL "$p" 2>/dev/null; done
  userdel "$XUSER" >/dev/null 2>&1
}
trap 'e2e_cleanup; end_user' EXIT
chmod 755 "$E2E_TMP"
DESC="${MG_SOURCE_DIR:-$(dirname "$0")/../..}/packaging/linux/meadowglow.xml"
# The critter slider at 5, and the first check box's and menu entry's arguments.
PANEL_ARGS="$(python3 - "$DESC" <<'PY'
import sys, xml.etree.ElementTree as ET
d = ET.parse(sys.argv[1]).getroot()
number = next(n for n in d.iter("number") if n.get("arg").startswith("--critters "))
box = next(d.iter("boolean"))
entry = next(o for o in d.iter("option") if o.get("arg-set"))
print(number.get("arg").replace("%", "5"), box.get("arg-set") or box.get("arg-unset"), entry.get("arg-set"))
PY
)" || fail "no options read from $DESC"
mkdir -p "$XHOME"
LOG="$XHOME/starts.log"

# The hack as listed: a wrapper that notes each start and the saver's exit
# status, passing the daemon's SIGTERM on. It is Python, not bash: bash's wait,
# cut short by the trap, can lose a child that ends during it and report -1.
cat >"$XHOME/meadowglow-hack" <<WRAP
#!/usr/bin/python3
import signal, subprocess, sys
child = subprocess.Popen(["$PROG"] + sys.argv[1:])
with open("$LOG", "a") as log:
    log.write("start %d %s\\n" % (child.pid, " ".join(sys.argv[1:])))
def forward(signum, frame):
    child.send_signal(signal.SIGTERM)
for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
    signal.signal(s, forward)
rc = child.wait()
with open("$LOG", "a") as log:
    log.write("exit %d\\n" % rc)
sys.exit(rc if rc >= 0 else 128 - rc)
WRAP
chmod 755 "$XHOME/meadowglow-hack"
cat >"$XHOME/.xscreensaver" <<CONF
timeout:	0:30:00
cycle:	0:00:00
lock:	False
mode:	one
selected:	0
fade:	False
unfade:	False
splash:	False
dpmsEnabled:	False
grabDesktopImages:	False
programs:	"Meadowglow" $XHOME/meadowglow-hack --root $PANEL_ARGS	\\n\\

CONF
chown -R "$XUSER:" "$XHOME"

as_user() {
  setpriv --reuid="$XUSER" --regid="$XUSER" --clear-groups \
    env -i HOME="$XHOME" USER="$XUSER" LOGNAME="$XUSER" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"
}

start_bg DAEMON as_user xscreensaver -no-splash -verbose
deadline=$(( $(now_ms) + 15000 ))
until as_user xscreensaver-command -version >/dev/null 2>&1; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the daemon did not come up: $(tail -5 "$E2E_TMP/DAEMON.out")"
  sleep 0.2
done

as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "xscreensaver-command -activate failed"
deadline=$(( $(now_ms) + 10000 ))
until grep -q '^start' "$LOG" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the daemon never started meadowglow: $(tail -20 "$E2E_TMP/DAEMON.out")"
  sleep 0.1
done
HACK="$(awk '/^start/ { print $2; exit }' "$LOG")"
grep -q -- "--root" "$LOG" || fail "the daemon did not pass --root: $(cat "$LOG")"
grep -qF -- "--root $PANEL_ARGS" "$LOG" || fail "the daemon did not pass '$PANEL_ARGS': $(cat "$LOG")"

# It draws: the daemon's black window shows the scene within a few seconds.
deadline=$(( $(now_ms) + 45000 )) lit=0
while [ "$(now_ms)" -lt "$deadline" ]; do
  # import may complain about the daemon's windows and still write the picture.
  rm -f "$E2E_TMP/xss.png"
  import -window root "$E2E_TMP/xss.png" 2>"$E2E_TMP/import.err"
  [ -s "$E2E_TMP/xss.png" ] && lit="$(lit_fraction "$E2E_TMP/xss.png")"
  below 0.003 "$lit" && below "$(white_fraction "$E2E_TMP/xss.png")" 0.05 && break
  sleep 0.3
done
below 0.003 "$lit" || fail "nothing drawn under the daemon within 45 s ($lit of the screen not black; $(cat "$E2E_TMP/import.err")); \
starts: $(cat "$LOG"); run log: $(tail -c 600 "$XHOME/.local/share/meadowglow/RunLog.txt" 2>/dev/null); \
daemon: $(tail -n 15 "$E2E_TMP/DAEMON.out")"
[ -n "${MG_SHOTS:-}" ] && cp "$E2E_TMP/xss.png" "$MG_SHOTS/posix_xscreensaver.png"
sleep 1
kill -0 "$HACK" 2>/dev/null || fail "meadowglow ended while the daemon was active: $(cat "$LOG")"
[ "$(grep -c '^start' "$LOG")" -eq 1 ] || fail "the daemon restarted meadowglow: $(cat "$LOG")"
note "started once (pid $HACK), drawing ($lit of the screen lit)"

t0="$(now_ms)"
as_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "xscreensaver-command -deactivate failed"
deadline=$(( t0 + 5000 ))
while kill -0 "$HACK" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "meadowglow still runs 5 s after the deactivation"
  sleep 0.01
done
note "deactivated: meadowglow gone $(( $(now_ms) - t0 )) ms after xscreensaver-command -deactivate"
deadline=$(( $(now_ms) + 3000 ))
until grep -q '^exit' "$LOG"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "no exit status recorded: $(cat "$LOG")"
  sleep 0.05
done
grep -q '^exit 0$' "$LOG" || fail "meadowglow did not exit with 0: $(cat "$LOG")"
# The run's five critters stayed out of the file its first start made.
SETTINGS="$XHOME/.local/share/meadowglow/Meadowglow.xml"
grep -q "<NumCritters>100</NumCritters>" "$SETTINGS" || fail "the panel's options reached the settings file: \
$(grep -A6 '<Critters>' "$SETTINGS" 2>/dev/null)"
sleep 1
[ "$(grep -c '^start' "$LOG")" -eq 1 ] || fail "the daemon started meadowglow again: $(cat "$LOG")"
exit 0
