# Shared helpers for the end-to-end scripts; source it, then call e2e_init.
# Every wait is bounded, and everything a script starts is ended on exit.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"
set -u

E2E_PIDS=()
E2E_XVFB=""
E2E_WINE_PREFIX=""
E2E_TMP=""
E2E_NAME="$(basename "${0%.sh}")"
E2E_REAL_HOME="${HOME:-/root}"

fail() {
  # A settings dialog that stopped answering window messages under Wine (see
  # dialog_drive) says nothing about the step that noticed it.
  if [ -n "$E2E_TMP" ] && [ -f "$E2E_TMP/dialog-hung" ]; then
    echo "SKIP [$E2E_NAME]: $* - the settings dialog stopped answering: $(cat "$E2E_TMP/dialog-hung")"
    exit 77
  fi
  echo "FAIL [$E2E_NAME]: $*" >&2
  # What the dialog showed instead, when a driver call was the last to fail.
  if [ -n "$E2E_TMP" ] && [ -s "$E2E_TMP/drive-failed" ]; then
    echo "  the last failed driver call: $(cat "$E2E_TMP/drive-failed")" >&2
  fi
  exit 1
}

note() { echo "[$E2E_NAME] $*"; }

e2e_cleanup() {
  local pid
  if [ -n "${DOVECOT_STARTED:-}" ]; then
    /usr/sbin/dovecot -c "$DOVECOT_DIR/dovecot.conf" stop >/dev/null 2>&1
  fi
  for pid in "${E2E_PIDS[@]}"; do
    kill "$pid" >/dev/null 2>&1
  done
  if [ -n "$E2E_WINE_PREFIX" ]; then
    WINEPREFIX="$E2E_WINE_PREFIX" wineserver -k >/dev/null 2>&1
  fi
  for pid in "${E2E_PIDS[@]}"; do
    wait "$pid" 2>/dev/null
  done
  if [ -n "$E2E_XVFB" ]; then
    kill "$E2E_XVFB" >/dev/null 2>&1
    wait "$E2E_XVFB" 2>/dev/null
  fi
  # E2E_KEEP_TMP=1 keeps the scratch folder (logs, settings) for a look after a failure.
  [ -n "$E2E_TMP" ] && [ -z "${E2E_KEEP_TMP:-}" ] && rm -rf "$E2E_TMP"
}

# Milliseconds on a monotonic-enough clock for the timing checks.
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# skip WHY: the test cannot run here (a package or a privilege is missing).
skip() {
  echo "SKIP [$E2E_NAME]: $*"
  exit 77
}

# e2e_init: a scratch folder and a virtual display of our own ($1 = WxH, default
# 1024x768). The root window is white so a screenshot tells the saver's frame
# from the bare screen.
e2e_init() {
  local size="${1:-1024x768}" started=0
  E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/mg-e2e.XXXXXX")"
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  # E2E_XVFB_EXTRA: more server options, e.g. a second screen under Xinerama.
  # shellcheck disable=SC2086
  XVFB_LOG="$E2E_TMP/xvfb.log" xvfb_start "$size" -noreset -wr ${E2E_XVFB_EXTRA:-} && started=1
  E2E_XVFB=$XVFB_PID
  [ "$started" = 1 ] || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
  unset XSCREENSAVER_WINDOW
  # Each run keeps its settings and run log to itself.
  export HOME="$E2E_TMP/home"
  export XDG_DATA_HOME="$HOME/.local/share"
  export MEADOWGLOW_HOME="$HOME/meadowglow/"
  mkdir -p "$HOME" "$MEADOWGLOW_HOME"
  # The vendor's web services stay on loopback: a closed port unless the
  # script starts the test server (vendor_start).
  export MEADOWGLOW_VENDOR_HOST="${MEADOWGLOW_VENDOR_HOST:-127.0.0.1:9}"
  # No accessibility bus under Xvfb: GTK programs would wait for it.
  export NO_AT_BRIDGE=1 GTK_A11Y=none
}

# wine_init: a Wine prefix of our own, cloned with hard links from the shared
# one that cmake/wine-run.sh prepares, so this script's wineserver (and the
# `wineserver -k` at the end) touches nobody else's programs.
# The settings file the program under test wrote in the Wine prefix: the
# newest one, so that a stale file another run left in the shared prefix's
# clone is never taken for it.
wine_settings_file() {
  find "$WINEPREFIX/drive_c" -name Meadowglow.xml -printf '%T@ %p\n' 2>/dev/null | sort -n | tail -n1 | cut -d' ' -f2-
}

wine_init() {
  local shared="${MG_WINEPREFIX:-$E2E_REAL_HOME/.cache/meadowglow/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
  mkdir -p "$(dirname "$shared")"
  (
    flock 9
    if [ ! -f "$shared/system.reg" ]; then
      WINEPREFIX="$shared" wineboot -i >/dev/null 2>&1
      WINEPREFIX="$shared" wineserver -w >/dev/null 2>&1
    fi
  ) 9>"$shared.lock"
  [ -f "$shared/system.reg" ] || fail "no Wine prefix at $shared"
  E2E_WINE_PREFIX="$E2E_TMP/wineprefix"
  cp -al "$shared" "$E2E_WINE_PREFIX" || fail "cannot clone the Wine prefix"
  # The registry is rewritten in place by the server: those files must be ours.
  local f
  for f in "$E2E_WINE_PREFIX"/*.reg; do
    cp --remove-destination "$shared/$(basename "$f")" "$f"
  done
  rm -f "$E2E_WINE_PREFIX/wineserver"
  # The unit suite runs in the shared prefix and leaves the product's files
  # there. A script starts without them, as on a machine that never ran it,
  # and its in-place writes (appending to a settings file) must not reach the
  # shared prefix through the hard links.
  rm -rf "$E2E_WINE_PREFIX/drive_c/Program Files/Tallow Fen Software" \
    "$E2E_WINE_PREFIX"/drive_c/users/*/AppData/Local/"Tallow Fen Software"
  # With no window manager on the virtual display, Wine waits two seconds for
  # one to acknowledge every managed window it hides, which would pass for the
  # saver being slow to close. Unmanaged windows behave as on Windows itself.
  # E2E_WINE_X11_EXTRA: more values for the same key (one "name"="value" a line).
  printf '\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Managed"="N"\n%s\n' "${E2E_WINE_X11_EXTRA:-}" \
    >>"$E2E_WINE_PREFIX/user.reg"
  export WINEPREFIX="$E2E_WINE_PREFIX"
  if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE=wine; fi
  # Start the server and the desktop process now so program starts are quick.
  "$WINE" cmd /c exit >/dev/null 2>&1
}

# start_bg VAR cmd...: runs cmd in the background, remembers it for cleanup and
# stores its pid in VAR. Output goes to $E2E_TMP/<VAR>.out.
start_bg() {
  local var="$1"
  shift
  # Emptied here, not by the background redirection, so nobody reads the
  # output of an earlier run under the same name.
  : >"$E2E_TMP/$var.out"
  "$@" >>"$E2E_TMP/$var.out" 2>&1 &
  local pid=$!
  E2E_PIDS+=("$pid")
  printf -v "$var" '%s' "$pid"
}

# wait_number VAR FILE WHAT: waits up to 10 s for FILE to begin with a number
# (a test tool printing its window id) and stores it in VAR.
wait_number() {
  local deadline=$(( $(now_ms) + 10000 )) value=""
  while [ -z "$value" ] && [ "$(now_ms)" -lt "$deadline" ]; do
    value="$(head -n1 "$2" 2>/dev/null | tr -dc 0-9)"
    [ -n "$value" ] || sleep 0.05
  done
  [ -n "$value" ] || fail "$3 printed no window id"
  printf -v "$1" '%s' "$value"
}

# wait_window NAME TIMEOUT_S: prints the id of the first visible window whose
# name is exactly NAME; fails after the timeout.
wait_window() {
  local name="$1" deadline=$(( $(now_ms) + $2 * 1000 )) id
  while [ "$(now_ms)" -lt "$deadline" ]; do
    id="$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n1)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.05
  done
  fail "no window named '$name' within $2 s"
}

# window_present NAME: true while a visible window is named exactly NAME.
window_present() {
  [ -n "$(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | head -n1)" ]
}

# wait_exit PID TIMEOUT_MS: waits for a child to end. Sets E2E_RC to its exit
# status and E2E_WAITED to the milliseconds it took; returns 1 on timeout.
wait_exit() {
  local pid="$1" start deadline
  start="$(now_ms)"
  deadline=$(( start + $2 ))
  while kill -0 "$pid" 2>/dev/null; do
    if [ "$(now_ms)" -ge "$deadline" ]; then
      E2E_WAITED=$(( $(now_ms) - start ))
      return 1
    fi
    sleep 0.02
  done
  E2E_WAITED=$(( $(now_ms) - start ))
  wait "$pid"
  E2E_RC=$?
  return 0
}

# expect_running PID WHAT: fails when the process has already ended.
expect_running() {
  kill -0 "$1" 2>/dev/null || { wait "$1"; fail "$2 (process ended, status $?)"; }
}

# expect_exit PID LIMIT_MS CODE WHAT: the process must end within the limit with CODE.
expect_exit() {
  wait_exit "$1" "$2" || fail "$4: still running after $2 ms"
  [ "$E2E_RC" -eq "$3" ] || fail "$4: exit status $E2E_RC, expected $3"
  note "$4: ended in ${E2E_WAITED} ms with status $E2E_RC"
}

# white_fraction FILE: share of pure-white pixels in a screenshot, 0..1.
white_fraction() {
  convert "$1" -fill black +opaque white -fill white -opaque white -colorspace gray -format '%[fx:mean]' info:
}

# colour_fraction FILE COLOUR: share of pixels of exactly that colour, 0..1.
colour_fraction() {
  convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -colorspace gray -format '%[fx:mean]' info:
}

# below A B: true when the decimal A is below B.
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# lit_fraction FILE: share of pixels that are not pure black, 0..1.
lit_fraction() {
  convert "$1" -fill white +opaque black -colorspace gray -format '%[fx:mean]' info:
}

# two_monitor_check WHAT: screenshots of two monitors side by side (1024x768
# each) until the first shows the scene (neither the white root nor plain
# black; the first frame can take seconds on a busy machine); the second must
# then be wholly black (no desktop showing through). Leaves $E2E_TMP/two.png.
two_monitor_check() {
  local left=1 right=0 lit=0 deadline=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    import -window root "$E2E_TMP/two.png" 2>/dev/null || { sleep 0.3; continue; }
    convert "$E2E_TMP/two.png" -crop 1024x768+0+0 +repage "$E2E_TMP/left.png"
    lit="$(lit_fraction "$E2E_TMP/left.png")"
    left="$(white_fraction "$E2E_TMP/left.png")"
    below 0.003 "$lit" && below "$left" 0.05 && break
    sleep 0.3
  done
  convert "$E2E_TMP/two.png" -crop 1024x768+1024+0 +repage "$E2E_TMP/right.png"
  right="$(colour_fraction "$E2E_TMP/right.png" black)"
  note "$1: first monitor $left white, $lit not black; second monitor $right black"
  below "$left" 0.05 || fail "$1: the first monitor still shows the white desktop ($left)"
  below 0.003 "$lit" || fail "$1: nothing drawn on the first monitor within 20 s ($lit not black)"
  below 0.999 "$right" || fail "$1: the second monitor is not black ($right black)"
}

# vendor_start [KNOBS_JSON]: starts the loopback vendor server
# (tests/tools/vendor_server.py) for this script and points the programs at
# it. Sets VENDOR_PORT, VENDOR_KNOBS (rewrite it to change the knobs) and
# VENDOR_RECORD (one JSON line per request). Ended with the script.
vendor_start() {
  local dir="$E2E_TMP/vendor" deadline knobs="${1:-}"
  [ -n "$knobs" ] || knobs='{}'
  mkdir -p "$dir"
  printf '%s\n' "$knobs" >"$dir/knobs.json"
  : >"$dir/run"
  VENDOR_KNOBS="$dir/knobs.json"
  VENDOR_RECORD="$dir/requests.jsonl"
  start_bg VENDOR_PID python3 "$(dirname "${BASH_SOURCE[0]}")/../tools/vendor_server.py" \
    --port-file "$dir/port" --record "$VENDOR_RECORD" --knobs "$VENDOR_KNOBS" --run-file "$dir/run"
  deadline=$(( $(now_ms) + 60000 ))
  while [ ! -s "$dir/port" ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
  [ -s "$dir/port" ] || fail "the vendor server did not start: $(cat "$E2E_TMP/VENDOR_PID.out")"
  VENDOR_PORT="$(tr -dc 0-9 <"$dir/port")"
  export MEADOWGLOW_VENDOR_HOST="127.0.0.1:$VENDOR_PORT"
}

# dovecot_start [CERT KEY]: Debian's dovecot as a POP3 server on loopback ports
# of our own, with users alice/wonder and bob/builder. Given a PEM certificate
# and key it also speaks TLS: STLS on the plain port and implicit TLS on
# DOVECOT_TLS_PORT; without them it offers no STLS. Sets DOVECOT_PORT,
# DOVECOT_TLS_PORT (0 without TLS) and DOVECOT_DIR; skips the script when
# dovecot or root rights are missing. Stopped with the script.
dovecot_start() {
  local cert="${1:-}" key="${2:-}" dir="$E2E_TMP/dovecot" uid gid ssl deadline who sub
  [ -x /usr/sbin/dovecot ] && id dovecot >/dev/null 2>&1 && [ "$(id -u)" = 0 ] ||
    skip "dovecot (package dovecot-pop3d) or root rights missing"
  uid="$(id -u dovecot)" gid="$(id -g dovecot)"
  DOVECOT_DIR="$dir"
  mkdir -p "$dir"
  # The server's own users must reach the password file and the mailboxes.
  chmod o+x "$E2E_TMP"
  chmod 755 "$dir"
  DOVECOT_PORT="$(free_port)"
  DOVECOT_TLS_PORT=0
  ssl="ssl = no"
  if [ -n "$cert" ]; then
    DOVECOT_TLS_PORT="$(free_port)"
    ssl="ssl = yes
ssl_cert = <$cert
ssl_key = <$key"
  fi
  printf 'alice:{PLAIN}wonder\nbob:{PLAIN}builder\n' >"$dir/passwd"
  cat >"$dir/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/dovecot.log
$ssl
disable_plaintext_auth = no
auth_mechanisms = plain
auth_failure_delay = 0
first_valid_uid = $uid
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN $dir/passwd
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$dir/home/%u
}
service pop3-login {
  inet_listener pop3 {
    port = $DOVECOT_PORT
  }
  inet_listener pop3s {
    port = $DOVECOT_TLS_PORT
  }
}
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    port = 0
  }
}
CONF
  for who in alice bob; do
    for sub in new cur tmp; do mkdir -p "$dir/home/$who/Maildir/$sub"; done
  done
  chown -R "$uid:$gid" "$dir/home"
  /usr/sbin/dovecot -c "$dir/dovecot.conf" || fail "dovecot did not start: $(cat "$dir/dovecot.log" 2>/dev/null)"
  DOVECOT_STARTED=1
  deadline=$(( $(now_ms) + 30000 ))
  until (exec 3<>"/dev/tcp/127.0.0.1/$DOVECOT_PORT") 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "dovecot did not listen on $DOVECOT_PORT: $(cat "$dir/dovecot.log")"
    sleep 0.05
  done
}

# dovecot_messages WHO N: WHO's mailbox holds exactly N new messages.
dovecot_messages() {
  local box="$DOVECOT_DIR/home/$1/Maildir" i
  rm -f "$box"/new/* "$box"/cur/*
  for ((i = 0; i < $2; i++)); do
    printf 'From: test@localhost\r\nSubject: %d\r\n\r\nHello.\r\n' "$i" >"$box/new/$((1700000000 + i)).M$i.test"
  done
  chown -R dovecot:dovecot "$box"
}

# free_port: a TCP port on loopback that nothing listens on just now.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# dialog_script_init "$@": a dialog script's program (SCR, its argument) and
# the dialog driver built beside it (DRIVE), both checked.
dialog_script_init() {
  SCR="${1:?usage: $0 <Meadowglow.scr>}"
  [ -f "$SCR" ] || fail "no program at $SCR"
  DRIVE="$(dirname "$SCR")/mg_dlgdrive.exe"
  [ -f "$DRIVE" ] || fail "no driver at $DRIVE"
}

# dialog_drive ARGS...: runs the dialog driver (DRIVE) under Wine, bounded. A
# driver call that does not come back means the dialog's thread no longer
# serves messages: under Wine with Xlib 1.8 the dialog thread waiting in XSync
# and the preview's render thread in Xlib's error handling (its frames make
# X errors Wine ignores) can deadlock. The dialog holds the preview while its
# boxes and pages open, which is when that was seen; should it happen all the
# same, it is noted, and the script's next failure becomes a skip that says so
# rather than a verdict on the step.
#
# The driver says something on every failure of its own; a status 1 with
# nothing said is Wine failing to run it at all (seen once on a loaded CI
# machine right after the unit suite), so that call is made once more.
dialog_drive() {
  local out rc
  out="$(timeout 60 "$WINE" "$DRIVE" "$@" 2>"$E2E_TMP/drive-stderr")"
  rc=$?
  if [ "$rc" = 1 ] && [ -z "$out" ]; then
    echo "[$E2E_NAME] the driver's '$*' ended with status 1 and no word: $(tr -d '\r' <"$E2E_TMP/drive-stderr" | head -c 500); once more" >&2
    sleep 0.5
    out="$(timeout 60 "$WINE" "$DRIVE" "$@" 2>"$E2E_TMP/drive-stderr")"
    rc=$?
  fi
  if [ "$rc" = 124 ]; then
    echo "the driver's '$*' got no answer within 60 s (Wine/Xlib threading deadlock)" >"$E2E_TMP/dialog-hung"
  fi
  if [ "$rc" = 0 ]; then
    rm -f "$E2E_TMP/drive-failed"
  else
    printf "'%s' (status %s): %s%s\n" "$*" "$rc" "$(printf '%s' "$out" | tr -d '\r')" \
      "$(tr -d '\r' <"$E2E_TMP/drive-stderr" | head -c 2000 | sed 's/^/\n  stderr: /')" >"$E2E_TMP/drive-failed"
  fi
  printf '%s' "$out" | tr -d '\r'
  [ -n "$out" ] && echo
  return "$rc"
}

# box_text CAPTION: the text of a message box (found also before it shows),
# read again for up to 6 s while a box found early is still filling it in.
box_text() {
  local text="" tries=0
  while [ -z "$text" ] && [ $((tries += 1)) -le 20 ]; do
    text="$(MG_DLGDRIVE_HIDDEN=1 dialog_drive "$1" text 65535)"
    [ -n "$text" ] || sleep 0.3
  done
  printf '%s' "$text"
}

# wait_gone TITLE TENTHS WHAT: the window titled TITLE is gone within TENTHS
# tenths of a second, or the script fails with WHAT.
wait_gone() {
  local tries=0
  while window_present "$1"; do
    tries=$((tries + 1))
    [ "$tries" -lt "$2" ] || fail "$3"
    sleep 0.1
  done
}

# ---- the Linux settings program (meadowglow-settings) ----
# A pattern for wait_window (xdotool matches names as regular expressions).
SETTINGS_CAPTION='Meadowglow v2\.0 - \(c\) Tallow Fen Software'

# settings_start [ARGS...]: starts meadowglow-settings from the build tree and
# waits for its main form. Sets SETTINGS (the pid) and SETTINGS_WIN.
settings_start() {
  local app="${MG_BUILD_DIR:?}/meadowglow-settings"
  [ -x "$app" ] || fail "no settings program at $app"
  start_bg SETTINGS "$app" "$@"
  SETTINGS_WIN="$(wait_window "$SETTINGS_CAPTION" 20)"
}

# gtk_keys WINDOW KEY...: focuses the window and types the keys as a person
# would (XTEST, not synthetic events, which GTK ignores).
gtk_keys() {
  local win="$1"
  shift
  xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win" >/dev/null 2>&1
  xdotool key --delay 60 "$@"
  sleep 0.2
}

# gtk_type WINDOW TEXT: types a text into the focused field of WINDOW.
gtk_type() {
  xdotool windowfocus --sync "$1" >/dev/null 2>&1
  xdotool type --delay 30 -- "$2"
  sleep 0.2
}

# settings_open_page ENTRY: opens an option page from the main form's list by
# its entry text, with the keyboard, and prints the page window's id.
# The page's window title is its caption (PAGE_CAPTION, or ENTRY).
settings_open_page() {
  local entry="$1" caption="${2:-$1}" index=-1 i=0 name
  while IFS= read -r name; do
    [ "$name" = "$entry" ] && index=$i
    i=$((i + 1))
  done <<'ENTRIES'
Please select an option
Background / Star Fields
Date and Time
Desktop Wallpaper
E-mail
Internet
Reminders and Lists
Rendering
Sound / Alarm
Special Effects
Video mode / Thread priority
Weather Data
ENTRIES
  [ "$index" -gt 0 ] || fail "no option list entry '$entry'"
  # Alt+O focuses the list ("&Options:"); Alt+Down pops it up; Down moves; Return opens.
  local keys=(alt+o alt+Down)
  for ((i = 0; i < index; i++)); do keys+=(Down); done
  keys+=(Return)
  gtk_keys "$SETTINGS_WIN" "${keys[@]}"
  wait_window "$caption" 10
}
