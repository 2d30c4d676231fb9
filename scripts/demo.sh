#!/usr/bin/env bash
# Sets everything up, builds the player and the demo Video CD (a BIN/CUE image made from
# generated test pictures and tones), and starts the player with that disc in its drive.
# Without a display the player runs under Xvfb for a few seconds and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset default
cmake --build --preset default --target vcdplayer media
disc=build/media/demo.cue
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/vcdplayer "$disc"
fi
shot=$PWD/build/screenshots/demo.png
mkdir -p "$(dirname "$shot")"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  build/vcdplayer "$1" & pid=$!
  sleep 6
  import -window root "$2"
  kill $pid 2>/dev/null; wait $pid 2>/dev/null || true' _ "$disc" "$shot"
echo "No display here: the player ran under Xvfb. Screenshot of the playing window: $shot"
