#!/usr/bin/env bash
# Meadowglow next to XScreenSaver's gears, both drawing into the root window
# as XScreenSaver runs them (-root), in alternating runs on one virtual
# display (1280x720): start to first frame presented, peak RSS, SIGTERM to
# process gone, and CPU time per presented frame. Meadowglow runs its
# first-run default scene (an empty private home each run). Prints figures;
# never fails on them.
# Usage: bench/vs_gears.sh [path of meadowglow] [N, default 15]
# Each run draws for $SETTLE_S (3 s), then CPU time and swaps are counted over
# $WINDOW_S (5 s), then the peak RSS is read and the process is sent SIGTERM.
# The swaps are counted by bench/swapclock.c, preloaded into both programs.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
PROG="$(realpath "${1:-$root/build/linux/meadowglow}")"
N="${2:-15}"
SETTLE_S="${SETTLE_S:-3}"
WINDOW_S="${WINDOW_S:-5}"
# GEARS=another program puts it in the second column (an older build, say).
GEARS="${GEARS:-/usr/libexec/xscreensaver/gears}"
[ -x "$PROG" ] || { echo "no program at $PROG" >&2; exit 1; }
source "$root/scripts/xvfb.sh"
TMP="$(mktemp -d /tmp/mg-vsgears.XXXXXX)"
export HOME="$TMP"
unset XSCREENSAVER_WINDOW MEADOWGLOW_HOME
# A first run asks the vendor for the time-server list: on loopback (a closed
# port), so that a benchmark never reaches beyond the machine.
export MEADOWGLOW_VENDOR_HOST="${MEADOWGLOW_VENDOR_HOST:-127.0.0.1:9}"
cc -shared -fPIC -O2 -o "$TMP/swapclock.so" "$root/bench/swapclock.c" -ldl ||
  { echo "the swap clock did not build" >&2; rm -rf "$TMP"; exit 1; }
xvfb_start 1280x720 -noreset || { echo "Xvfb did not start" >&2; rm -rf "$TMP"; exit 1; }
trap 'kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null; rm -rf "$TMP"' EXIT
TICK="$(getconf CLK_TCK)"

# utime + stime of all the process's threads, in clock ticks (the name in
# field 2 may hold spaces, so the fields are counted after its ')').
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{ print $12 + $13 }'; }
swaps() { awk '{ print $2 }' "$1" 2>/dev/null; }

# run_once NAME cmd...: one run; appends "first_ms rss_mib term_ms cpu_ms_per_frame"
# to $TMP/NAME ("-" for a figure that could not be taken).
run_once() {
  local name="$1" out="$TMP/swaps" pid c0 c1 s0 s1 rss first t0 t1 watch cpf
  shift
  rm -f "$out"
  rm -rf "$TMP/home"
  mkdir -p "$TMP/home"
  ( export MEADOWGLOW_HOME="$TMP/home/" SWAPCLOCK_OUT="$out" LD_PRELOAD="$TMP/swapclock.so"
    export SWAPCLOCK_T0="${EPOCHREALTIME/./}"
    exec "$@" >/dev/null 2>&1 ) &
  pid=$!
  sleep "$SETTLE_S"
  c0="$(cpu_ticks "$pid")" s0="$(swaps "$out")"
  sleep "$WINDOW_S"
  c1="$(cpu_ticks "$pid")" s1="$(swaps "$out")"
  # A process that ignores SIGTERM is killed after 10 s; its time shows that.
  # The watcher takes its sleep with it when stopped, so that no stray kill
  # outlives this run and meets a reused process id. It is started, and its
  # fork has settled, before the signal: a shell and its sleep starting on
  # the other core were part of the close they are meant to guard.
  ( sleep 10 & s=$!; trap 'kill $s; exit' TERM; wait $s; kill -KILL "$pid" 2>/dev/null ) &
  watch=$!
  rss="$(awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status" 2>/dev/null)"
  first="$(awk '$1 >= 0 { printf "%.1f", $1 / 1000 }' "$out" 2>/dev/null)"
  sleep 0.2
  # Read straight from the shell's clock: a command substitution would fork
  # inside the interval.
  t0="${EPOCHREALTIME/./}"
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  t1="${EPOCHREALTIME/./}"
  kill "$watch" 2>/dev/null
  wait "$watch" 2>/dev/null
  cpf=-
  if [ -n "$c0" ] && [ -n "$c1" ] && [ -n "$s0" ] && [ -n "$s1" ] && [ "$s1" -gt "$s0" ]; then
    cpf="$(awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t="$TICK" 'BEGIN { printf "%.2f", c * 1000 / t / s }')"
  fi
  echo "${first:--} ${rss:--} $(awk -v d=$((t1 - t0)) 'BEGIN { printf "%.1f", d / 1000 }') $cpf" >>"$TMP/$name"
}

# summary FILE COLUMN DECIMALS [worst]: "median lo-hi" of a column's figures
# ("-" lines left out), or "median worst" with a fourth argument.
summary() {
  awk -v k="$2" '$k != "-" { print $k }' "$1" 2>/dev/null | sort -g | awk -v d="$3" -v worst="${4:-}" '
    { v[NR] = $1 }
    END { if (!NR) { print "- -"; exit }
          m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          if (worst) printf "%.*f %s\n", d, m, v[NR]
          else printf "%.*f %s-%s\n", d, m, v[1], v[NR] }'
}

# row LABEL COLUMN DECIMALS [worst]
row() {
  local label="$1" col="$2" dec="$3" worst="${4:-}" mg gs ratio
  mg="$(summary "$TMP/mg" "$col" "$dec" $worst)"
  gs="$(summary "$TMP/gears" "$col" "$dec" $worst)"
  ratio="$(awk -v a="${mg%% *}" -v b="${gs%% *}" 'BEGIN { if (a != "-" && b != "-" && b > 0) printf "%.2f", a / b; else print "-" }')"
  printf '%-30s %8s %-17s %8s %-17s %s\n' "$label" ${mg} ${gs} "$ratio"
}

have_gears=1
[ -x "$GEARS" ] || { have_gears=0; echo "gears is missing ($GEARS, Debian package xscreensaver-gl): its column stays empty"; }
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) at start; $N runs each, display 1280x720"
for _ in $(seq "$N"); do
  run_once mg "$PROG" -root
  [ "$have_gears" = 1 ] && run_once gears "$GEARS" -root
done
printf '%-30s %8s %-17s %8s %-17s %s\n' "" "meadowglow" "(range)" "gears" "(range)" "mg/gears"
row "start -> first frame, ms" 1 1
row "peak RSS (VmHWM), MiB" 2 1
printf '%-30s %8s %-17s %8s %s\n' "" "median" "(worst)" "median" "(worst)"
row "SIGTERM -> gone, ms" 3 1 worst
row "CPU per frame, ms" 4 2
echo "load $(cut -d' ' -f1-3 /proc/loadavg) at the end"
# Figures never fail the run, but a program that never presented a frame did not run.
for f in mg gears; do
  [ "$f" = gears ] && [ "$have_gears" = 0 ] && continue
  [ "$(summary "$TMP/$f" 1 1)" != "- -" ] || { echo "${f/#mg/meadowglow} never presented a frame" >&2; exit 1; }
done
