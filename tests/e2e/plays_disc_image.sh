#!/usr/bin/env bash
# The real player in a real X window (Xvfb) with a Video CD image as its disc: it must find the
# disc, start the first track and show its picture in the video area. A screenshot of the window
# is left in the output folder for a person to look at.
#   plays_disc_image.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-player.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_in_xvfb "$0" "$@"

start_player "$disc"
wait_for 90 video_shows || { window_shot "$out/e2e-playing.png" || true; fail "no picture in the video area within 90 s"; }
window_shot "$out/e2e-playing.png"
echo "Screenshot of the player's window: $out/e2e-playing.png"
echo "PASS: the disc image plays"
