#!/usr/bin/env bash
# The e-mail page of the Linux settings program against a real POP3 server
# (dovecot) on loopback, driven with the keyboard and the mouse: accounts
# added, OK'd (stored encrypted), updated and removed; Test with the right
# password gives the "Success" box, with a refused one the "Error" box; Test
# against a server that accepts and never answers ends with the "Error" box
# within the mail client's exchange limit while the page keeps answering.
# Usage: posix_settings_email.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
e2e_init 1280x1024
dovecot_start

MAIN="${MEADOWGLOW_HOME%/}/Meadowglow.xml"
RUNLOG="${MEADOWGLOW_HOME%/}/RunLog.txt"
MAIL="E-mail"
value() {
  awk -v s="<$2>" -v e="</$2>" -v k="$3" '
    index($0, s) { inside = 1 } index($0, e) { inside = 0 }
    inside && index($0, "<" k ">") { sub(".*<" k ">", ""); sub("</" k ">.*", ""); print; exit }' "$1"
}
expect() { [ "$(value "$MAIN" "$1" "$2")" = "$3" ] || fail "$4: <$1><$2> is '$(value "$MAIN" "$1" "$2")', expected '$3'"; }
open_mail() {
  WIN="$(settings_open_page "$MAIL")" || fail "the e-mail page did not open"
  [ -n "$WIN" ] || fail "the e-mail page did not open"
  sleep 0.3
}
closed() { wait_gone "$MAIL" 50 "the e-mail page did not close"; }
click_at() { xdotool mousemove --window "$WIN" "$1" "$2" click 1; sleep 0.3; }
click_ok() {
  eval "$(xdotool getwindowgeometry --shell "$WIN" | grep -E '^(WIDTH|HEIGHT)=')"
  click_at $((WIDTH - 24)) $((HEIGHT - 20))
}
# The focus order of the account controls, from the page's first control
# ("Notify me ..."): 13 Tabs to the server field, then the interval, the user
# name, the password, Add, Remove, Update, Test and the list.
to_server() { gtk_keys "$WIN" Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab; }
# Opens the page and selects account N (0-based) in the list, which puts it
# into the fields; the list has the focus then.
select_account() {
  open_mail
  to_server
  gtk_keys "$WIN" Tab Tab Tab Tab Tab Tab Tab Tab
  local i
  for ((i = 0; i < $1; i++)); do gtk_keys "$WIN" Down; done
}
replace_text() { gtk_keys "$WIN" ctrl+a; gtk_type "$WIN" "$1"; }
# box CAPTION WHAT: a message box with this caption comes within SECS; closes it.
box() {
  local id
  id="$(wait_window "$1" "${3:-20}")" || fail "$2: no '$1' box"
  [ -n "$id" ] || fail "$2: no '$1' box"
  gtk_keys "$id" Return
  wait_gone "$1" 50 "$2: the '$1' box did not close"
}
runlog() { cat "$RUNLOG" 2>/dev/null; }

# A server that accepts and never says a word.
python3 -c '
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(4)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
' >"$E2E_TMP/mute.port" &
E2E_PIDS+=($!)
deadline=$(( $(now_ms) + 10000 ))
until [ -s "$E2E_TMP/mute.port" ] || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.05; done
SERVER="127.0.0.1:$DOVECOT_PORT"
MUTE="127.0.0.1:$(head -n1 "$E2E_TMP/mute.port")"

settings_start

note "three accounts added, OK: stored encrypted"
open_mail
to_server
gtk_type "$WIN" "$SERVER"
gtk_keys "$WIN" Tab Tab
gtk_type "$WIN" alice
gtk_keys "$WIN" Tab
gtk_type "$WIN" wonder
gtk_keys "$WIN" Tab space
# From Add: back to the user name and the password for the second account.
gtk_keys "$WIN" shift+Tab shift+Tab
replace_text bob
gtk_keys "$WIN" Tab
replace_text wrong
gtk_keys "$WIN" Tab space
gtk_keys "$WIN" shift+Tab shift+Tab shift+Tab shift+Tab
replace_text "$MUTE"
gtk_keys "$WIN" Tab Tab
replace_text carol
gtk_keys "$WIN" Tab
replace_text quiet
gtk_keys "$WIN" Tab space
click_ok
closed
expect Email NumAccounts 3 "three accounts added"
expect Email Pop3 "$SERVER" "the first account's server"
for secret in alice bob carol wonder wrong quiet; do
  grep -q "$secret" "$MAIN" && fail "'$secret' is stored as plain text"
done
[ "$(grep -c '<X>' "$MAIN")" = 3 ] && [ "$(grep -c '<Y>' "$MAIN")" = 3 ] ||
  fail "the accounts have no encrypted user name and password"

note "Test: the right password"
before="$(grep -c 'Login: user=<alice>' "$DOVECOT_DIR/dovecot.log" 2>/dev/null)"
select_account 0
gtk_keys "$WIN" shift+Tab space
box Success "Test of alice"
after="$(grep -c 'Login: user=<alice>' "$DOVECOT_DIR/dovecot.log" 2>/dev/null)"
[ "$after" -gt "$before" ] || fail "dovecot saw no login for alice"
gtk_keys "$WIN" Escape
closed

note "Test: a refused password"
select_account 1
gtk_keys "$WIN" shift+Tab space
box Error "Test of bob with a wrong password"
runlog | grep -q "E-mail test failed - Pop3Connect" || fail "no run-log entry for the refused test: $(runlog)"
runlog | grep -qF "Error: could not connect to the pop3 account = $SERVER. Msg=" ||
  fail "the run log does not hold the refusal's text: $(runlog)"
runlog | grep -F "= $SERVER. Msg=" | grep -q "authorization failed" || fail "the refused test is not a refused login: $(runlog)"
gtk_keys "$WIN" Escape
closed

note "Update: bob's password"
y_before="$(grep -o '<Y>[^<]*</Y>' "$MAIN" | sed -n 2p)"
select_account 1
gtk_keys "$WIN" shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
replace_text builder
gtk_keys "$WIN" Tab Tab Tab space
y_after="$(grep -o '<Y>[^<]*</Y>' "$MAIN" | sed -n 2p)"
[ -n "$y_after" ] && [ "$y_after" != "$y_before" ] || fail "Update did not store the new password"
grep -q builder "$MAIN" && fail "the new password is stored as plain text"
click_ok
closed
select_account 1
gtk_keys "$WIN" shift+Tab space
box Success "Test of bob after Update"
gtk_keys "$WIN" Escape
closed

note "Test against a mute server: the page answers meanwhile"
select_account 2
started=$(now_ms)
gtk_keys "$WIN" shift+Tab space
sleep 1
window_present Error && fail "the mute server's test ended at once"
# A click on "Notify me ..." while the test runs: the page takes it and
# writes the file at once.
notify_before="$(value "$MAIN" Email Notify)"
asked=$(now_ms)
click_at 100 44
deadline=$(( $(now_ms) + 5000 ))
while [ "$(value "$MAIN" Email Notify)" = "$notify_before" ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
answered=$(( $(now_ms) - asked ))
[ "$(value "$MAIN" Email Notify)" != "$notify_before" ] || fail "the page did not answer a click during the Test"
window_present Error && fail "the Error box came before the exchange limit"
id="$(wait_window Error 45)" || fail "no Error box after a Test against a mute server"
took=$(( $(now_ms) - started ))
[ "$took" -ge 25000 ] && [ "$took" -le 40000 ] || fail "the mute server's Error box came after $took ms, not at the 30 s limit"
gtk_keys "$id" Return
wait_gone Error 50 "the mute server's Error box did not close"
runlog | grep -qF "Error: could not connect to the pop3 account = $MUTE. Msg=" ||
  fail "the run log does not hold the mute server's text: $(runlog)"
runlog | grep -F "$MUTE" | grep -q "within 30 seconds" || fail "the mute server's text names no limit: $(runlog)"
note "Test against a mute server: the page answered a click in $answered ms; the Error box came after $took ms"
# OK: a Cancel would put back the accounts as they were when the program started.
click_ok
closed

note "Escape during a Test: the test is cut short, the page closes without a box"
select_account 2
gtk_keys "$WIN" shift+Tab space
sleep 1
asked=$(now_ms)
gtk_keys "$WIN" Escape
closed
took=$(( $(now_ms) - asked ))
[ "$took" -lt 3000 ] || fail "the page took $took ms to close during a Test"
sleep 2
window_present Error && fail "an Error box came after the page closed"
window_present Success && fail "a Success box came after the page closed"
note "the page closed $took ms after Escape during a Test"

note "Remove: the mute server's account"
select_account 2
gtk_keys "$WIN" shift+Tab shift+Tab shift+Tab space
click_ok
closed
expect Email NumAccounts 2 "Remove"
grep -q "<Pop3>$MUTE</Pop3>" "$MAIN" && fail "the removed account is still in the file"
exit 0
