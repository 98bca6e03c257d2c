#!/usr/bin/env bash
# POP3 over TLS with Schannel under Wine, through the mail client (XEmail with
# an account's server text) against dovecot on loopback: implicit TLS and STLS with our own trusted certificate, and every refusal (untrusted
# or expired certificate, wrong host name, protocol older than TLS 1.2, no STLS offered)
# with its clear text and without a word of POP3 after the failed handshake.
# A server that goes quiet in the middle of the handshake must not hold up a
# stop (the figure is printed; the bound is generous).
# Usage: win32_mailtls.sh <path of Meadowglow.scr>
source "$(dirname "$0")/lib.sh"
CHECK="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_mailcheck.exe"
[ -f "$CHECK" ] || fail "no $CHECK"
command -v openssl >/dev/null || skip "openssl missing"
e2e_init 640x480
wine_init

# certificate NAME SUBJECT_ALT_NAMES: a self-signed certificate and key.
certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$1" -addext "subjectAltName=$2" \
    -keyout "$E2E_TMP/$1.key" -out "$E2E_TMP/$1.pem" 2>/dev/null || fail "openssl could not make $1"
  chmod 644 "$E2E_TMP/$1.key" "$E2E_TMP/$1.pem"
}
certificate server 'DNS:localhost,IP:127.0.0.1'
certificate stranger 'DNS:localhost'
certificate elsewhere 'DNS:mail.example'
# An expired one, valid in January 2020 only; signed by openssl ca, whose file
# carries a text dump before the PEM block, as such files often do.
mkdir -p "$E2E_TMP/ca"
: >"$E2E_TMP/ca/index.txt"
echo 01 >"$E2E_TMP/ca/serial"
printf '[ca]\ndefault_ca = d\n[d]\ndatabase = %s/index.txt\nnew_certs_dir = %s\nserial = %s/serial\ndefault_md = sha256\npolicy = p\ncopy_extensions = copy\n[p]\ncommonName = supplied\n' \
  "$E2E_TMP/ca" "$E2E_TMP/ca" "$E2E_TMP/ca" >"$E2E_TMP/ca/cfg"
openssl req -new -newkey rsa:2048 -nodes -subj /CN=localhost -addext subjectAltName=DNS:localhost \
  -keyout "$E2E_TMP/expired.key" -out "$E2E_TMP/ca/expired.csr" 2>/dev/null &&
  openssl ca -batch -config "$E2E_TMP/ca/cfg" -selfsign -keyfile "$E2E_TMP/expired.key" -in "$E2E_TMP/ca/expired.csr" \
    -startdate 20200101000000Z -enddate 20200201000000Z -out "$E2E_TMP/expired.pem" >/dev/null 2>&1 ||
  fail "openssl could not make the expired certificate"
# Wine's drive Z: is the root folder (each winepath call would start Wine).
winpath() { printf 'Z:%s' "${1//\//\\}"; }
TRUST="$(winpath "$E2E_TMP/server.pem")"
OTHER="$(winpath "$E2E_TMP/stranger.pem")"
ELSEWHERE="$(winpath "$E2E_TMP/elsewhere.pem")"
echo 'not a certificate' >"$E2E_TMP/garbage.pem"
GARBAGE="$(winpath "$E2E_TMP/garbage.pem")"

# check SERVER_TEXT TRUST [USER PASSWORD [STOP_MS]]: the mail check's one line.
check() {
  "$WINE" "$CHECK" "$1" "$2" "${3:-alice}" "${4:-wonder}" ${5:+"$5"} 2>>"$E2E_TMP/check.err" | tr -d '\r'
}

# expect_line WHAT GOT PATTERN
expect_line() {
  note "$1: $2"
  [[ "$2" == $3 ]] || fail "$1: got '$2', expected '$3' $(tail -n 5 "$E2E_TMP/check.err" 2>/dev/null)"
}

# Refusals by a small TLS server of our own that greets, answers every line
# with +OK and records what reaches it after the handshake: nothing may.
# tls_server NAME CERT [old]: sets NAME_PORT; the record is $E2E_TMP/NAME.got.
tls_server() {
  local deadline port
  port="$(free_port)"
  printf -v "$1_PORT" '%s' "$port"
  : >"$E2E_TMP/$1.got"
  start_bg "$1" python3 -c '
import socket, ssl, sys
port, cert, key, record, old = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5] == "old"
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(cert, key)
if old:
    ctx.set_ciphers("DEFAULT@SECLEVEL=0")
    ctx.minimum_version = ctx.maximum_version = ssl.TLSVersion.TLSv1_1
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", port))
s.listen(5)
while True:
    c, _ = s.accept()
    try:
        t = ctx.wrap_socket(c, server_side=True, suppress_ragged_eofs=False)
        t.sendall(b"+OK hello\r\n")
        while True:
            data = t.recv(4096)
            with open(record, "ab") as f:
                f.write(data if data else b"[close_notify]")
            if not data:
                break
            t.sendall(b"+OK 0 0\r\n")
    except (OSError, ssl.SSLError) as e:
        print(e, flush=True)
    c.close()
' "$port" "$E2E_TMP/$2.pem" "$E2E_TMP/$2.key" "$E2E_TMP/$1.got" "${3:-}"
  deadline=$(( $(now_ms) + 10000 ))
  until [ -n "$(ss -Hltn "sport = :$port" 2>/dev/null)" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the TLS test server did not listen: $(cat "$E2E_TMP/$1.out")"
    sleep 0.05
  done
}
tls_server MISMATCH elsewhere
tls_server EXPIRED expired
tls_server OLD server old
tls_server GOOD server

dovecot_start "$E2E_TMP/server.pem" "$E2E_TMP/server.key"
dovecot_messages alice 3
dovecot_messages bob 0

HS='error: Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, TLS handshake failed. Msg='
# what | server text | trust | user | password | expected line; all checked by
# one process, as Wine starts are slow.
cat >"$E2E_TMP/cases" <<TABLE
implicit TLS, extra trust|pop3s://localhost:$DOVECOT_TLS_PORT|$TRUST|alice|wonder|count 3
STLS, extra trust|pop3://localhost+stls:$DOVECOT_PORT|$TRUST|alice|wonder|count 3
plain, as before|localhost:$DOVECOT_PORT|-|alice|wonder|count 3
by address, named in the certificate|pop3s://127.0.0.1:$DOVECOT_TLS_PORT|$TRUST|alice|wonder|count 3
other mailbox|pop3s://localhost:$DOVECOT_TLS_PORT|$TRUST|bob|builder|count 0
no extra trust|pop3s://localhost:$DOVECOT_TLS_PORT|-|alice|wonder|${HS}certificate check failed: certificate not trusted (*
another certificate trusted|pop3://localhost+stls:$DOVECOT_PORT|$OTHER|alice|wonder|${HS}certificate check failed: certificate not trusted (*
trust file missing|pop3s://localhost:$DOVECOT_TLS_PORT|C:\\no\\such.pem|alice|wonder|${HS}the trusted certificate file C:?no?such.pem cannot be read
TLS asked of the plain port|pop3s://localhost:$DOVECOT_PORT|$TRUST|alice|wonder|${HS}handshake failed: the server does not speak TLS (it said "+OK*")
trust file without a certificate|pop3s://localhost:$DOVECOT_TLS_PORT|$GARBAGE|alice|wonder|${HS}trusted certificate file *: no certificate could be read
host name mismatch|pop3s://localhost:$MISMATCH_PORT|$ELSEWHERE|alice|wonder|${HS}certificate check failed: host name mismatch (the certificate does not name localhost)
certificate expired|pop3s://localhost:$EXPIRED_PORT|$(winpath "$E2E_TMP/expired.pem")|alice|wonder|${HS}certificate check failed: certificate expired
TLS 1.1 only|pop3s://localhost:$OLD_PORT|$TRUST|alice|wonder|${HS}handshake failed: *older than TLS 1.2*
good session, small server|pop3s://localhost:$GOOD_PORT|$TRUST|alice|wonder|count 0
TABLE
cut -d'|' -f2-5 "$E2E_TMP/cases" | "$WINE" "$CHECK" --lines 2>>"$E2E_TMP/check.err" | tr -d '\r' >"$E2E_TMP/results"
exec 8<"$E2E_TMP/results"
while IFS='|' read -r what _ _ _ _ expected; do
  IFS= read -r got <&8 || got="(no line)"
  expect_line "$what" "$got" "$expected"
done <"$E2E_TMP/cases"
exec 8<&-

# The trust file may come from the environment instead of the settings.
expect_line "trust file from the environment" \
  "$(MEADOWGLOW_MAIL_TRUST="$TRUST" check "pop3s://localhost:$DOVECOT_TLS_PORT" -)" "count 3"

# The count follows the mailbox.
dovecot_messages alice 5
expect_line "five messages" "$(check "pop3s://localhost:$DOVECOT_TLS_PORT" "$TRUST")" "count 5"
grep -q 'user=<alice>.*TLS' "$DOVECOT_DIR/dovecot.log" || fail "dovecot logged no TLS login"

# The control: with a certificate that passes, the commands did reach the
# small server, and the session ended with close_notify.
got="$(tr -d '\r' <"$E2E_TMP/GOOD.got" | tr '\n' ' ')"
[ "$got" = "USER alice PASS wonder STAT QUIT [close_notify]" ] || fail "the test server saw '$got'"
for name in MISMATCH EXPIRED OLD; do
  [ -s "$E2E_TMP/$name.got" ] && fail "$name: bytes went out after a refused handshake: $(head -c 80 "$E2E_TMP/$name.got")"
done

# A server that accepts and then says nothing: the stop ends the wait at once,
# whether the silence falls before the server's hello (implicit TLS) or right
# after STLS was agreed.
for mode in pop3s stls; do
  QUIET_PORT="$(free_port)"
  start_bg QUIET python3 -c '
import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(1)
c, _ = s.accept()
if sys.argv[2] == "stls":
    c.sendall(b"+OK ready\r\n"); c.recv(100); c.sendall(b"+OK go ahead\r\n")
time.sleep(60)' "$QUIET_PORT" "$mode"
  sleep 0.5
  server="pop3s://localhost:$QUIET_PORT"
  [ "$mode" = stls ] && server="pop3://localhost+stls:$QUIET_PORT"
  line="$(check "$server" "$TRUST" alice wonder 1500)"
  expect_line "silent server ($mode)" "$line" "stopped in * ms: *TLS handshake, the transfer has been terminated by the user."
  ms="$(echo "$line" | sed 's/stopped in \([0-9]*\) ms.*/\1/')"
  [ "$ms" -lt 1000 ] || fail "silent server ($mode): the stop took $ms ms"
  kill "$QUIET" 2>/dev/null
done

# A server without a certificate offers no STLS: asked for it, the check
# stops there and sends no credentials.
/usr/sbin/dovecot -c "$DOVECOT_DIR/dovecot.conf" stop >/dev/null 2>&1
sleep 0.5
dovecot_start
expect_line "no STLS offered" "$(check "pop3://localhost+stls:$DOVECOT_PORT" "$TRUST")" \
  "error: Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, the server does not offer STLS. Response=-ERR*"
grep -q 'user=<alice>' <(tail -n 3 "$DOVECOT_DIR/dovecot.log") && fail "credentials went out without STLS"
exit 0
