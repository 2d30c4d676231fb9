#!/usr/bin/env bash
# The real player in a real X window (Xvfb) with a Video CD image as its disc: it must find the
# disc, start the first track and show its picture in the video area. A screenshot of the window
# is left in the output folder for a person to look at.
#   plays_disc_image.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
mkdir -p "$out"
shot="$out/e2e-playing.png"
rm -f "$shot"

if [ -z "${VCD_E2E_INNER:-}" ]; then
  export VCD_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

"$player" "$disc" >"$out/e2e-player.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true' EXIT

title="Voren VCD Player Lite ver2.2.0"
# Mean brightness (0..1) of the video area: the dark logo box is far below 0.2, the generated
# test pictures of the demo disc far above.
video_brightness() {
  local info x y
  info=$(xwininfo -name "$title" 2>/dev/null) || return 1
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  import -silent -window root -crop "470x250+$((x + 20))+$((y + 10))" +repage "$out/e2e-video.png" 2>/dev/null || return 1
  convert "$out/e2e-video.png" -colorspace Gray -format '%[fx:mean]' info:
}

deadline=$((SECONDS + 90))
playing=""
while [ $SECONDS -lt $deadline ]; do
  if ! kill -0 $pid 2>/dev/null; then
    echo "FAIL: the player ended early"; cat "$out/e2e-player.log"; exit 1
  fi
  if b=$(video_brightness) && awk -v b="$b" 'BEGIN { exit !(b > 0.2) }'; then
    playing=$b
    break
  fi
  sleep 0.5
done

info=$(xwininfo -name "$title")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/Width:/ {print $2}' <<<"$info")
h=$(awk '/Height:/ {print $2}' <<<"$info")
import -silent -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
echo "Screenshot of the player's window: $shot"
if [ -z "$playing" ]; then
  echo "FAIL: no picture in the video area within 90 s (last brightness: ${b:-none})"
  cat "$out/e2e-player.log"
  exit 1
fi
echo "PASS: the disc image plays (video area brightness $playing)"
