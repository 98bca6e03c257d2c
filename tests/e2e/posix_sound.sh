#!/usr/bin/env bash
# The alarm in the running saver: a wave alarm set to the current minute plays
# in a full-size window and stays silent in a small preview, which never opens
# the audio device at all, nor even loads SDL. SDL's disk driver writes what would be played to a
# file. A CD player enabled on a machine without a drive changes nothing. The web client and TLS
# never enter the saver: the first run's time-server list download runs in the fetch helper, and a
# run that finds the day's list cached downloads nothing.
# Usage: posix_sound.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
TOOL="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}/mg_xparent"
[ -x "$PROG" ] || fail "no program at $PROG"
[ -x "$TOOL" ] || fail "no test tool at $TOOL (build the mg_xparent target)"
e2e_init 1024x768

# 0.2 s of 16-bit stereo at 44.1 kHz with no silent byte in it.
WAVE="$E2E_TMP/alarm.wav"
{
  printf 'RIFF\xf4\x89\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00'
  printf 'data\xd0\x89\x00\x00'
  head -c 35280 /dev/urandom | tr '\000' '\001'
} >"$WAVE"

# The alarm at the minute the saver will start in (not one about to end).
[ "$(date +%-S)" -ge 50 ] && sleep $(( 61 - $(date +%-S) ))
cat >"$MEADOWGLOW_HOME/Meadowglow.xml" <<CONFIG
<ConfigFile name="Meadowglow">
	<CDPlayer>
		<Enabled>true</Enabled>
		<AutoOff>true</AutoOff>
		<AutoOffMinutes>0</AutoOffMinutes>
	</CDPlayer>
	<Sound>
		<ChimeType>0</ChimeType>
		<EnableAlarm>true</EnableAlarm>
		<AlarmHour>$(date +%-H)</AlarmHour>
		<AlarmMinute>$(date +%-M)</AlarmMinute>
		<AlarmType>2</AlarmType>
		<AlarmFileName>$WAVE</AlarmFileName>
	</Sound>
</ConfigFile>
CONFIG

sounded() { [ -s "$1" ] && [ "$(tr -d '\000' <"$1" | head -c 1 | wc -c)" = 1 ]; }

# Full screen: the alarm loops through the sound service.
xdotool mousemove 100 100
start_bg SAVER env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/full.raw" "$PROG" -s
wait_window Screensaver 10 >/dev/null
sleep 1.5
expect_running "$SAVER" "the saver ended on its own"
sounded "$E2E_TMP/full.raw" || fail "the alarm played nothing in the full-screen saver"
grep -q libSDL2 "/proc/$SAVER/maps" || fail "the saver played a sound without SDL mapped"
# A first run asks for the time-server list (loopback only: no server answers it here), through
# the helper: its failure is logged, and the saver has not mapped the web client.
deadline=$(( $(now_ms) + 5000 ))
until grep -q "Failed to download time server list" "$MEADOWGLOW_HOME/RunLog.txt" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the first run did not ask for the time-server list"
  sleep 0.1
done
grep -qE "libcurl|libgnutls" "/proc/$SAVER/maps" && fail "the first run's list download mapped the web client in the saver"
note "full screen: $(stat -c %s "$E2E_TMP/full.raw") bytes of audio written"
xdotool key space
expect_exit "$SAVER" 5000 0 "a key press"

# A preview too small for the sound modules: no audio device is opened.
start_bg PARENT "$TOOL" 240x180 40 40
wait_number PARENT_WIN "$E2E_TMP/PARENT.out" "the parent window tool"
xdotool mousemove 600 500
mkdir -p "$MEADOWGLOW_HOME/shared"
printf '%s|time.example.org' "$(date +%Y%m%d)" >"$MEADOWGLOW_HOME/shared/TimeServerCache.dat"
start_bg PREVIEW env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/preview.raw" "$PROG" /p "$PARENT_WIN"
wait_window Preview 10 >/dev/null
sleep 1.5
expect_running "$PREVIEW" "the preview ended on its own"
[ -e "$E2E_TMP/preview.raw" ] && fail "the preview opened the audio device"
# SDL and the libraries it brings are loaded with the first sound, not before.
grep -q libSDL2 "/proc/$PREVIEW/maps" && fail "a saver that makes no sound mapped SDL"
grep -qE "libcurl|libgnutls" "/proc/$PREVIEW/maps" && fail "a preview that downloads nothing mapped the web client or TLS"
# No text, no CD, no mail password: none of their libraries either.
late="$(grep -oE "lib(fontconfig|freetype|cdio|nettle)[^/]*$" "/proc/$PREVIEW/maps" | sort -u | tr '\n' ' ')"
[ -z "$late" ] || fail "a preview without text, CD or mail mapped $late"
xdotool mousemove 100 100 click 1
expect_exit "$PREVIEW" 5000 0 "a click on the preview"

# Neither the missing CD drive nor the sounds left anything in the run log.
if grep -q "CSystem" "$MEADOWGLOW_HOME/RunLog.txt" 2>/dev/null; then
  fail "run-log entries from the sound modules: $(grep CSystem "$MEADOWGLOW_HOME/RunLog.txt")"
fi
exit 0
