#!/usr/bin/env bash
# The Windows build (under Wine) next to the Linux build: both run their
# benchmark (--bench) in alternating runs on one virtual display, each run
# a first run in a fresh private home (the default scene), and the script
# prints CPU milliseconds per frame, frames per second and the time from the
# process's start to its first frame for both, with medians and ranges, the
# ratio of the medians (Windows / Linux) and the load average. Prints
# figures; never fails on them (1 only when a program is missing or never
# finished a run).
# Usage: bench/win_vs_linux.sh [meadowglow] [Meadowglow.scr] [N, default 5]
# FRAMES (300) and SIZE (1280x720) set the run; PACED=1 keeps the settings'
# frame period instead of --unpaced.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
LINUX="$(realpath "${1:-$root/build/linux/meadowglow}")"
SCR="$(realpath "${2:-$root/build/windows/Meadowglow.scr}")"
N="${3:-5}"
FRAMES="${FRAMES:-300}"
SIZE="${SIZE:-1280x720}"
[ -x "$LINUX" ] || { echo "no Linux program at $LINUX" >&2; exit 1; }
[ -f "$SCR" ] || { echo "no Windows program at $SCR" >&2; exit 1; }
if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE=wine; fi
command -v "$WINE" >/dev/null || { echo "Wine is missing" >&2; exit 1; }
source "$root/scripts/xvfb.sh"
TMP="$(mktemp -d /tmp/mg-winvslinux.XXXXXX)"
unset XSCREENSAVER_WINDOW MEADOWGLOW_HOME
export MEADOWGLOW_VENDOR_HOST=127.0.0.1:9 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="

# A Wine prefix of our own, cloned with hard links from the shared one that
# cmake/wine-run.sh prepares (as tests/e2e/lib.sh's wine_init does), with a
# server kept running for the whole script so that no run pays its start.
shared="${MG_WINEPREFIX:-$HOME/.cache/meadowglow/wineprefix}"
mkdir -p "$(dirname "$shared")"
( flock 9
  if [ ! -f "$shared/system.reg" ]; then
    WINEPREFIX="$shared" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$shared" wineserver -w >/dev/null 2>&1
  fi ) 9>"$shared.lock"
[ -f "$shared/system.reg" ] || { echo "no Wine prefix at $shared" >&2; rm -rf "$TMP"; exit 1; }
export WINEPREFIX="$TMP/wineprefix"
cp -al "$shared" "$WINEPREFIX"
for f in "$WINEPREFIX"/*.reg; do cp --remove-destination "$shared/$(basename "$f")" "$f"; done
rm -f "$WINEPREFIX/wineserver"
# No window manager here: unmanaged windows, as the e2e tests have them.
printf '\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Managed"="N"\n' >>"$WINEPREFIX/user.reg"

xvfb_start 1280x1024 -noreset || { echo "Xvfb did not start" >&2; rm -rf "$TMP"; exit 1; }
cleanup() {
  WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT
wineserver -p >/dev/null 2>&1
"$WINE" cmd /c exit >/dev/null 2>&1
WIN_HOME="$WINEPREFIX/drive_c/Program Files/Tallow Fen Software/Screen Savers/Meadowglow"

ARGS=(--bench --frames "$FRAMES" --size "$SIZE")
[ "${PACED:-0}" = 1 ] || ARGS+=(--unpaced)

# figures FILE: "cpu fps first" from a benchmark's printed lines, or nothing.
figures() {
  tr -d '\r' <"$1" | awk -F': ' '$1 == "cpu_ms_per_frame" { c = $2 } $1 == "fps" { f = $2 }
    $1 == "first_frame_ms" { s = $2 } END { if (c != "" && f != "" && s != "") print c, f, s }'
}

# run_linux / run_windows: one first run in a fresh home; appends its figures
# to $TMP/linux or $TMP/windows.
run_linux() {
  rm -rf "${TMP:?}/home"
  mkdir -p "$TMP/home/mg"
  HOME="$TMP/home" XDG_DATA_HOME="$TMP/home/.local/share" MEADOWGLOW_HOME="$TMP/home/mg/" \
    timeout 300 "$LINUX" "${ARGS[@]}" >"$TMP/out" 2>/dev/null
  figures "$TMP/out" >>"$TMP/linux"
  grep -q '^renderer: ' "$TMP/out" && tr -d '\r' <"$TMP/out" | sed -n 's/^renderer: //p' >"$TMP/linux.renderer"
}
run_windows() {
  rm -rf "$WIN_HOME"
  timeout 300 "$WINE" "$SCR" "${ARGS[@]}" >"$TMP/out" 2>/dev/null
  figures "$TMP/out" >>"$TMP/windows"
  grep -q '^renderer: ' "$TMP/out" && tr -d '\r' <"$TMP/out" | sed -n 's/^renderer: //p' >"$TMP/windows.renderer"
}

# summary FILE COLUMN DECIMALS: "median lo-hi" of a column.
summary() {
  awk -v k="$2" '{ print $k }' "$1" 2>/dev/null | sort -g | awk -v d="$3" '
    { v[NR] = $1 }
    END { if (!NR) { print "- -"; exit }
          m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.*f %s-%s\n", d, m, v[1], v[NR] }'
}
row() {
  local label="$1" col="$2" dec="$3" lin win ratio
  lin="$(summary "$TMP/linux" "$col" "$dec")"
  win="$(summary "$TMP/windows" "$col" "$dec")"
  ratio="$(awk -v a="${win%% *}" -v b="${lin%% *}" 'BEGIN { if (a != "-" && b != "-" && b > 0) printf "%.2f", a / b; else print "-" }')"
  # shellcheck disable=SC2086  # "median range" is two columns
  printf '%-24s %8s %-17s %8s %-17s %s\n' "$label" ${lin} ${win} "$ratio"
}

: >"$TMP/linux"
: >"$TMP/windows"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) at start; $N runs each, $FRAMES frames at $SIZE$([ "${PACED:-0}" = 1 ] && echo ", paced" || echo ", unpaced")"
for _ in $(seq "$N"); do
  run_linux
  run_windows
done
printf '%-24s %8s %-17s %8s %-17s %s\n' "" "linux" "(range)" "windows" "(range)" "win/linux"
row "CPU per frame, ms" 1 2
row "frames per second" 2 1
row "start -> first frame, ms" 3 1
for os in linux windows; do
  [ -s "$TMP/$os.renderer" ] && echo "$os renderer: $(cat "$TMP/$os.renderer")"
done
echo "runs with figures: linux $(wc -l <"$TMP/linux"), windows $(wc -l <"$TMP/windows")"
echo "load $(cut -d' ' -f1-3 /proc/loadavg) at the end"
[ -s "$TMP/linux" ] && [ -s "$TMP/windows" ] || { echo "a program never finished a run" >&2; exit 1; }
