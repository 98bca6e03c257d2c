#!/usr/bin/env bash
# Frame rate and CPU time per frame of the default first-run scene (an empty
# private home), at 1920x1080 and 1024x768, with a breakdown by part: the same
# scene with the critters off, with the background pictures off, and with both
# off (the clear and the swap alone). Give a second program (an older build) to
# see both in the same run: the cases alternate between the two, so a load that
# comes and goes on the machine hits both alike. Prints figures; never fails on
# them.
#
#   bench/frame_bench.sh [PROGRAM] [BASELINE] [FRAMES, default 400] [ROUNDS, default 3]
#
# Each figure is the median over ROUNDS runs. MG_BENCH_SIZES overrides the
# sizes ("1920x1080 1024x768"), MG_BENCH_PARTS=0 skips the breakdown.
# MG_BENCH_INSTR=1 adds instructions per frame (valgrind's callgrind: the
# difference between a run of 12 and one of 36 frames, so start-up drops
# out; the picture does not change during them); slow, but the one figure that the machine's load does not move.
# MG_BENCH_SHOTS=DIR keeps a snapshot of the last frame of each program there.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
PROG="$(realpath "${1:-$root/build/linux/meadowglow}")"
BASE="${2:-}"
[ -n "$BASE" ] && BASE="$(realpath "$BASE")"
FRAMES="${3:-400}"
ROUNDS="${4:-3}"
SIZES="${MG_BENCH_SIZES:-1920x1080 1024x768}"
[ -x "$PROG" ] || { echo "no program at $PROG" >&2; exit 1; }
source "$root/scripts/xvfb.sh"
TMP="$(mktemp -d /tmp/mg-framebench.XXXXXX)"
export HOME="$TMP"
unset XSCREENSAVER_WINDOW MEADOWGLOW_HOME
# A first run asks the vendor for the time-server list: on loopback (a closed
# port), so that a benchmark never reaches beyond the machine.
export MEADOWGLOW_VENDOR_HOST="${MEADOWGLOW_VENDOR_HOST:-127.0.0.1:9}"
xvfb_start 1920x1080 -noreset || { echo "Xvfb did not start" >&2; exit 1; }
trap 'kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null; rm -rf "$TMP"' EXIT

# The default settings as a first run writes them, for the breakdown's variants.
mkdir -p "$TMP/defaults"
MEADOWGLOW_HOME="$TMP/defaults/" "$PROG" --bench --unpaced --frames 2 --size 320x200 >/dev/null 2>&1
DEFAULTS="$TMP/defaults/Meadowglow.xml"
[ -f "$DEFAULTS" ] || { echo "the first run wrote no settings" >&2; exit 1; }

# home CASE: a fresh home for one run of a case; prints its path.
home() {
  local dir
  dir="$(mktemp -d "$TMP/home.XXXXXX")/"
  case "$1" in
    default) ;;  # empty: the first run
    no-critters) sed 's|<NumCritters>[0-9]*<|<NumCritters>0<|' "$DEFAULTS" >"$dir/Meadowglow.xml" ;;
    no-pictures) sed 's|<CyclePictures>true<|<CyclePictures>false<|' "$DEFAULTS" >"$dir/Meadowglow.xml" ;;
    # The default scene with the picture never changing: under valgrind a run
    # outlasts the one-minute picture change, whose decoding would be counted.
    still) sed 's|<CycleMin>[0-9]*<|<CycleMin>0<|' "$DEFAULTS" >"$dir/Meadowglow.xml" ;;
    clear-only) sed -e 's|<NumCritters>[0-9]*<|<NumCritters>0<|' \
                    -e 's|<CyclePictures>true<|<CyclePictures>false<|' "$DEFAULTS" >"$dir/Meadowglow.xml" ;;
  esac
  echo "$dir"
}

# run PROGRAM CASE SIZE: prints "fps cpu_ms_per_frame" of one run.
run() {
  local dir out shot=()
  dir="$(home "$2")"
  [ -n "${MG_BENCH_SHOTS:-}" ] && [ "$2" = default ] &&
    shot=(--snapshot "$MG_BENCH_SHOTS/$(basename "$(dirname "$1")")-$3.png")
  out="$(MEADOWGLOW_HOME="$dir" "$1" --bench --unpaced --frames "$FRAMES" --size "$3" "${shot[@]}" 2>/dev/null)"
  printf '%s %s\n' "$(sed -n 's/^fps: //p' <<<"$out")" "$(sed -n 's/^cpu_ms_per_frame: //p' <<<"$out")"
  rm -rf "$dir"
}

# Instructions of a run of N frames, all threads (llvmpipe's rasterizers too).
instructions() {
  local dir out
  dir="$(home "$2")"
  out="$TMP/cg.out"
  MEADOWGLOW_HOME="$dir" valgrind --tool=callgrind --callgrind-out-file="$out" "$1" --bench --unpaced \
    --frames "$4" --size "$3" >/dev/null 2>&1
  awk '/^summary:/ { print $2 }' "$out"* 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'
  rm -rf "$dir" "$out"*
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

programs=("$PROG")
[ -n "$BASE" ] && programs=("$BASE" "$PROG")
label() { if [ "$1" = "$BASE" ]; then echo before; else echo after; fi; }

echo "renderer: $(MEADOWGLOW_HOME="$TMP/defaults/" "$PROG" --bench --unpaced --frames 2 --size 320x200 2>/dev/null |
  sed -n 's/^renderer: //p'), LP_NUM_THREADS=${LP_NUM_THREADS:-default}, $(nproc) cores"
echo "frames per run: $FRAMES, median of $ROUNDS runs"
cases=(default)
[ "${MG_BENCH_PARTS:-1}" = 1 ] && cases+=(no-critters no-pictures clear-only)
for size in $SIZES; do
  for c in "${cases[@]}"; do
    declare -A fps=() cpu=()
    for ((r = 0; r < ROUNDS; ++r)); do
      for p in "${programs[@]}"; do
        read -r f u < <(run "$p" "$c" "$size")
        fps[$p]+="$f "
        cpu[$p]+="$u "
      done
    done
    for p in "${programs[@]}"; do
      printf '%-9s %-6s %-12s fps %7s   cpu_ms_per_frame %7s\n' "$size" "$(label "$p")" "$c" \
        "$(tr ' ' '\n' <<<"${fps[$p]}" | grep . | median)" "$(tr ' ' '\n' <<<"${cpu[$p]}" | grep . | median)"
    done
    unset fps cpu
  done
  if [ "${MG_BENCH_INSTR:-0}" = 1 ]; then
    for p in "${programs[@]}"; do
      short="$(instructions "$p" still "$size" 12)" &&
      long="$(instructions "$p" still "$size" 36)"
      printf '%-9s %-6s %-12s instructions_per_frame %s\n' "$size" "$(label "$p")" still \
        "$(awk -v a="$short" -v b="$long" 'BEGIN { printf "%.1fM", (b - a) / 24 / 1e6 }')"
    done
  fi
done
