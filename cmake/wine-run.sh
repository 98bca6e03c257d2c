#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest: prepares the Wine prefix once and
# gives the program a virtual display when there is no usable one.
set -u
export WINEPREFIX="${MG_WINEPREFIX:-${HOME:-/tmp}/.cache/meadowglow/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
WINE="$(command -v wine64 >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64 || echo wine)"

started_xvfb=""
# The Wine server is left alone: it is shared by every program of the prefix
# and ends by itself once the last one has gone. Killing it here would end
# other Wine runs of the same prefix part-way.
cleanup() {
  if [ -n "$started_xvfb" ]; then
    kill "$started_xvfb" >/dev/null 2>&1
    wait "$started_xvfb" 2>/dev/null
  fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  source "$(dirname "${BASH_SOURCE[0]}")/../scripts/xvfb.sh"
  xvfb_start 1280x1024 || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
  started_xvfb=$XVFB_PID
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
) 9>"$WINEPREFIX.lock"

"$WINE" "$@"
rc=$?
# Wine reports negative exit codes as their low byte; pass them through as-is.
exit $rc
