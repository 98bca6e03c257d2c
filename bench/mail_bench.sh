#!/bin/sh
# The e-mail notice's costs, measured through the program itself on a virtual
# display: how long closing takes with a mail server that accepts and never
# answers, next to no account at all; and CPU milliseconds per frame with the
# notice and its streamers showing, next to the same scene without them.
# The servers are small Python scripts on 127.0.0.1.
#
#   bench/mail_bench.sh [build/linux/meadowglow] [frames]
set -eu
PROGRAM=$(realpath "${1:-build/linux/meadowglow}")
FRAMES=${2:-600}
SIZE=1280x1024
WORK=$(mktemp -d /tmp/mg-mailbench.XXXXXX)
DISPLAY_NUMBER=${MG_BENCH_DISPLAY:-58}
SERVER=""
cleanup() {
    [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null || true
    kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb ":$DISPLAY_NUMBER" -screen 0 ${SIZE}x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
sleep 1

# mode "hung": accept and say nothing. Mode "grow": the first poll finds 5
# messages, the second 7, and later polls are held unanswered, so the
# checking thread costs nothing while the frames are measured.
cat >"$WORK/pop3.py" <<'PY'
import socket, sys, threading
mode, portfile = sys.argv[1], sys.argv[2]
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
open(portfile, "w").write(str(listener.getsockname()[1]))
held = []
n = 0
while True:
    c, _ = listener.accept()
    n += 1
    if mode == "hung" or n > 2:
        held.append(c)
        continue
    f = c.makefile("rb")
    c.sendall(b"+OK\r\n")
    for line in f:
        if line.startswith(b"STAT"):
            c.sendall(b"+OK %d 1000\r\n" % (5 if n == 1 else 7))
        else:
            c.sendall(b"+OK\r\n")
        if line.startswith(b"QUIT"):
            break
    c.close()
PY

start_server() {
    rm -f "$WORK/port"
    python3 "$WORK/pop3.py" "$1" "$WORK/port" </dev/null >/dev/null 2>&1 &
    SERVER=$!
    for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done
    PORT=$(cat "$WORK/port")
}

stop_server() {
    kill "$SERVER" 2>/dev/null || true
    wait "$SERVER" 2>/dev/null || true
    SERVER=""
}

# name, accounts (0 or 1), server port, notify
run_case() {
    home="$WORK/$(printf '%s' "$1" | tr -c 'a-z0-9' '_')/"
    mkdir -p "$home"
    account=""
    [ "$2" = 1 ] && account="\t\t<Account_0>\r\n\t\t\t<Pop3>127.0.0.1:$3</Pop3>\r\n\t\t\t<X></X>\r\n\t\t\t<Y></Y>\r\n\t\t\t<Minutes>0</Minutes>\r\n\t\t</Account_0>\r\n"
    # A bare scene (no critters, no pictures), so the notice is what the figures and the corner show.
    printf "<ConfigFile name=\"Meadowglow\">\r\n\t<Critters>\r\n\t\t<NumCritters>0</NumCritters>\r\n\t</Critters>\r\n\t<BgBitmap>\r\n\t\t<NumPictures>0</NumPictures>\r\n\t</BgBitmap>\r\n\t<Email>\r\n\t\t<Notify>%s</Notify>\r\n\t\t<DisplayText>true</DisplayText>\r\n\t\t<DisplayStreamers>true</DisplayStreamers>\r\n\t\t<CycleStreamers>true</CycleStreamers>\r\n\t\t<NewMailSoundType>0</NewMailSoundType>\r\n\t\t<CycleRed>true</CycleRed>\r\n\t\t<CycleGreen>true</CycleGreen>\r\n\t\t<CycleBlue>true</CycleBlue>\r\n\t\t<NumAccounts>%s</NumAccounts>\r\n$account\t</Email>\r\n</ConfigFile>" \
        "$4" "$2" >"$home/Meadowglow.xml"
    out=$(MEADOWGLOW_HOME="$home" DISPLAY=":$DISPLAY_NUMBER" "$PROGRAM" --bench --frames "$FRAMES" --size "$SIZE" \
        --snapshot "$home/last.png")
    cpu=$(printf '%s\n' "$out" | sed -n 's/^cpu_ms_per_frame: //p')
    close=$(printf '%s\n' "$out" | sed -n 's/^close_ms: //p')
    # The notice is drawn in the top-left corner: any lit pixel there tells.
    lit=$(convert "$home/last.png" -crop 40x30+4+4 +repage -format '%[fx:maxima.r+maxima.g+maxima.b>0.2?1:0]' info:)
    printf '%-40s close_ms %7s   cpu_ms_per_frame %7s   notice %s\n' "$1" "$close" "$cpu" "$([ "$lit" = 1 ] && echo shown || echo none)"
}

echo "frames: $FRAMES (paced), window: $SIZE"
run_case "no account" 0 0 true
start_server hung
run_case "one account, server never answers" 1 "$PORT" true
stop_server
run_case "notice off (baseline)" 0 0 false
start_server grow
run_case "notice and streamers showing" 1 "$PORT" true
stop_server
