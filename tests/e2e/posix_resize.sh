#!/usr/bin/env bash
# A -window run follows its window's size: after a resize the scene fills the
# new size (viewport, projection and the size-dependent set-up again), in
# landscape and in portrait, instead of staying in the old size's corner.
# Usage: posix_resize.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
e2e_init 1600x1200

# Still stars, dense and white, spread over the window's pixels by their
# set-up; no critters and no background picture, so every lit pixel is a star.
printf '<ConfigFile name="Meadowglow">\r\n\t<BgBitmap>\r\n\t\t<CyclePictures>false</CyclePictures>\r\n\t\t<NumPictures>0</NumPictures>\r\n\t</BgBitmap>\r\n\t<Stars>\r\n\t\t<Enabled>true</Enabled>\r\n\t\t<Type>3</Type>\r\n\t\t<Speed>1</Speed>\r\n\t\t<Amount>9000</Amount>\r\n\t\t<ColorScheme>4</ColorScheme>\r\n\t\t<RotateStars>false</RotateStars>\r\n\t</Stars>\r\n\t<Critters>\r\n\t\t<NumCritters>0</NumCritters>\r\n\t</Critters>\r\n</ConfigFile>' \
  >"$MEADOWGLOW_HOME/Meadowglow.xml"

# lit_in WIN W H CROP: share of lit pixels in CROP (WxH+X+Y, y down) of the
# window, once a shot of the window has the size W x H.
lit_in() {
  local deadline=$(( $(now_ms) + 10000 )) size=""
  while [ "$(now_ms)" -lt "$deadline" ]; do
    import -window "$1" "$E2E_TMP/win.png" 2>/dev/null &&
      size="$(identify -format '%wx%h' "$E2E_TMP/win.png" 2>/dev/null)"
    [ "$size" = "$2x$3" ] && break
    sleep 0.2
  done
  [ "$size" = "$2x$3" ] || fail "the window did not become $2x$3 (a shot is $size)"
  convert "$E2E_TMP/win.png" -crop "$4" +repage "$E2E_TMP/crop.png"
  lit_fraction "$E2E_TMP/crop.png"
}

# wait_lit WIN W H CROP WHAT: the crop shows stars within 10 s.
wait_lit() {
  local deadline=$(( $(now_ms) + 10000 )) lit=0
  while [ "$(now_ms)" -lt "$deadline" ]; do
    lit="$(lit_in "$1" "$2" "$3" "$4")"
    below 0.001 "$lit" && { note "$5: $lit of $4 lit"; return 0; }
    sleep 0.3
  done
  fail "$5: $4 of the ${2}x$3 window stays dark ($lit lit)"
}

start_bg SAVER "$PROG" -window
WIN="$(wait_window Meadowglow 10)"
wait_lit "$WIN" 1024 768 1024x768+0+0 "at the start"

# Larger: the strips beyond the old 1024 x 768 (right, and top: the old
# viewport sat at the lower left) must show stars too.
xdotool windowsize "$WIN" 1400 1000
sleep 0.5
wait_lit "$WIN" 1400 1000 376x1000+1024+0 "grown, the new right strip"
wait_lit "$WIN" 1400 1000 1400x232+0+0 "grown, the new top strip"

# Portrait: the scene fills the tall window, its top included.
xdotool windowsize "$WIN" 600 1000
sleep 0.5
wait_lit "$WIN" 600 1000 600x300+0+0 "portrait, the top"
wait_lit "$WIN" 600 1000 600x300+0+700 "portrait, the bottom"
expect_running "$SAVER" "a resize ended the run"

# The run ends at once; xdotool may then find the window gone.
xdotool key --window "$WIN" Escape 2>/dev/null
expect_exit "$SAVER" 5000 0 "a key after the resizes"
exit 0
