#!/usr/bin/env bash
# Close latency: from the closing input (a key press to `meadowglow -s`) or
# SIGTERM (to `meadowglow -root`, as XScreenSaver ends it) to the process
# gone, the median of N closes each, next to an XScreenSaver GL hack ended the
# same way on the same virtual display. Prints figures; never fails on them.
# Usage: bench/close_latency.sh [path of meadowglow] [N, default 20]
# With CLOSE_TRACE=1 it also prints, for meadowglow, the median time of each
# step of the close (MEADOWGLOW_TRACE_CLOSE), from the closing input as the
# program saw it; "process reaped" is when this script's wait returned.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
PROG="${1:-$root/build/linux/meadowglow}"
N="${2:-20}"
GEARS=/usr/libexec/xscreensaver/gears
[ -x "$PROG" ] || { echo "no program at $PROG" >&2; exit 1; }
source "$root/scripts/xvfb.sh"
TMP="$(mktemp -d)"
export MEADOWGLOW_HOME="$TMP/home/" HOME="$TMP"
# A first run asks the vendor for the time-server list: on loopback (a closed
# port), so that a benchmark never reaches beyond the machine.
export MEADOWGLOW_VENDOR_HOST="${MEADOWGLOW_VENDOR_HOST:-127.0.0.1:9}"
unset XSCREENSAVER_WINDOW
xvfb_start 1024x768 -noreset || { echo "Xvfb did not start" >&2; exit 1; }
trap 'kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null; rm -rf "$TMP"' EXIT

now_us() { echo "${EPOCHREALTIME/./}"; }

# median of the numbers on stdin (microseconds) printed in milliseconds
median_ms() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'; }
range_ms() { sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.1f-%.1f", lo / 1000, hi / 1000 }'; }

# close_once HOW cmd...: starts cmd, lets it draw for a while ($SETTLE_S, 3 s), closes it and
# prints the microseconds until the process was reaped.
close_once() {
  local how="$1" pid t0 t1
  shift
  rm -f "$TMP/trace"
  MEADOWGLOW_TRACE_CLOSE="${CLOSE_TRACE:+$TMP/trace}" "$@" >/dev/null 2>&1 &
  pid=$!
  sleep "${SETTLE_S:-3}"
  t0="$(now_us)"
  if [ "$how" = key ]; then xdotool key space; else kill -TERM "$pid"; fi
  wait "$pid"
  t1="$(now_us)"
  echo $(( t1 - t0 ))
  # Each step's milliseconds from the close as the program saw it, one
  # "step<TAB>ms" line each, and when the process was reaped on that clock.
  [ -s "$TMP/trace" ] && awk -v t1="$t1" -F'close: [+]| ms | [(]epoch_us |[)]' '
    { print $3 "\t" $2; begin = $4 - $2 * 1000 }
    END { printf "process reaped\t%.3f\n", (t1 - begin) / 1000 }' "$TMP/trace" >>"$TMP/steps"
  true
}

# Median of each step's milliseconds, in the order of the steps.
step_medians() {
  [ -s "$TMP/steps" ] || return 0
  awk -F'\t' '{ if (!($1 in n)) order[++k] = $1; v[$1, ++n[$1]] = $2 }
    END { for (i = 1; i <= k; ++i) { s = order[i]; m = n[s]; delete a
            for (j = 1; j <= m; ++j) {  # insertion sort: mawk has no asort
              x = v[s, j] + 0; for (q = j - 1; q >= 1 && a[q] > x; --q) a[q + 1] = a[q]; a[q + 1] = x }
            med = (m % 2) ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
            printf "    %-44s %7.2f ms  (%d closes)\n", s, med, m } }' "$TMP/steps"
  rm -f "$TMP/steps"
}

series() {
  local label="$1" how="$2" values
  shift 2
  values="$(for _ in $(seq "$N"); do close_once "$how" "$@"; done)"
  printf '%-32s median %6s ms  (range %s ms, %s closes)\n' "$label" "$(median_ms <<<"$values")" \
    "$(range_ms <<<"$values")" "$N"
  step_medians
}

# What starting xdotool and sending a key costs by itself: part of the key figure.
xdo="$(for _ in $(seq "$N"); do t0="$(now_us)"; xdotool key shift; echo $(( $(now_us) - t0 )); done)"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
series "meadowglow -s, key press" key "$PROG" -s
series "meadowglow -root, SIGTERM" term "$PROG" -root
if [ -x "$GEARS" ]; then
  series "gears -root, SIGTERM" term "$GEARS" -root
else
  echo "gears -root: not installed (Debian package xscreensaver-gl)"
fi
printf '%-32s median %6s ms  (included in the key figure)\n' "xdotool key alone" "$(median_ms <<<"$xdo")"
