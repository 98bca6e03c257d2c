#!/bin/sh
# CPU milliseconds per frame of the background pictures, measured through the
# program itself: one configuration file per case, an unpaced benchmark run on
# a virtual 1920x1080 display. Needs Xvfb and ImageMagick's convert.
#
#   bench/bgbitmap_bench.sh [build/linux/meadowglow] [frames]
set -eu
PROGRAM=$(realpath "${1:-build/linux/meadowglow}")
FRAMES=${2:-300}
SIZE=1920x1080
WORK=$(mktemp -d /tmp/mg-bgbench.XXXXXX)
DISPLAY_NUMBER=${MG_BENCH_DISPLAY:-57}
trap 'kill "$XVFB" 2>/dev/null || true; rm -rf "$WORK"' EXIT

Xvfb ":$DISPLAY_NUMBER" -screen 0 ${SIZE}x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
sleep 1

SOURCE=$(dirname "$0")/../assets/critterpic1.jpg
convert "$SOURCE" -resize '1024x768!' -quality 90 "$WORK/pic1024.jpg"
convert "$SOURCE" -resize '640x480!' -quality 90 "$WORK/pic640.jpg"
convert "$SOURCE" -resize '1920x1080!' -quality 90 "$WORK/pic1920.jpg"

# name, cycle pictures, style, cycle colour, picture
run_case() {
    home="$WORK/$(printf '%s' "$1" | tr -c 'a-z0-9' '_')/"
    mkdir -p "$home"
    cp "$WORK/$5" "$home"
    printf '<ConfigFile name="Meadowglow">\r\n\t<BgBitmap>\r\n\t\t<CyclePictures>%s</CyclePictures>\r\n\t\t<NumPictures>1</NumPictures>\r\n\t\t<CycleMin>1</CycleMin>\r\n\t\t<PictureStyle>%s</PictureStyle>\r\n\t\t<CycleColor>%s</CycleColor>\r\n\t\t<Picture_0>%s</Picture_0>\r\n\t</BgBitmap>\r\n</ConfigFile>' \
        "$2" "$3" "$4" "$home$5" >"$home/Meadowglow.xml"
    out=$(MEADOWGLOW_HOME="$home" DISPLAY=":$DISPLAY_NUMBER" "$PROGRAM" --bench --unpaced --frames "$FRAMES" --size "$SIZE")
    cpu=$(printf '%s\n' "$out" | sed -n 's/^cpu_ms_per_frame: //p')
    fps=$(printf '%s\n' "$out" | sed -n 's/^fps: //p')
    errors=$(grep -c 'BgBitmap' "$home/RunLog.txt" 2>/dev/null || true)
    printf '%-34s cpu_ms_per_frame %8s   fps %7s   bgbitmap log entries %s\n' "$1" "$cpu" "$fps" "${errors:-0}"
}

echo "frames: $FRAMES, window: $SIZE"
run_case "no picture (baseline)" false 0 false pic1024.jpg
run_case "fit 1024x768" true 0 false pic1024.jpg
run_case "bounce 640x480" true 1 false pic640.jpg
run_case "fit 1920x1080" true 0 false pic1920.jpg
run_case "fit 1920x1080 colour drift" true 0 true pic1920.jpg
