#!/usr/bin/env bash
# Installs what is needed, builds the Linux program and runs the saver:
# in a window when there is a display, else full screen under a virtual
# display for a few seconds, saving a screenshot whose path it prints.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" linux
prog="$root/build/linux/meadowglow"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Running in a window on $DISPLAY; press a key in it or close it to stop."
  exec "$prog" -window
fi

shot="$root/build/meadowglow-screenshot.png"
source "$root/scripts/xvfb.sh"
xvfb_start 1280x720 || { echo "Xvfb did not start" >&2; exit 1; }
xvfb=$XVFB_PID
cleanup() { kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT

"$prog" -s &
saver=$!
sleep 4
import -window root "$shot"
# A key press ends the saver, as it would for a user.
xdotool key space
for _ in $(seq 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.1; done
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true
echo "Screenshot: $shot"
