#!/usr/bin/env bash
# The real player in a real X window (Xvfb) with a (Super) Video CD image as its disc: it finds the disc,
# starts the first track and shows its picture in the video area, and says nothing in the
# terminal. A screenshot of the window is left in the output folder for a person to look at.
#   plays_disc_image.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-player.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session "$0" "$@"

start_player "$disc"
wait_until_the_disc_shows
said_start "Track|01 of " || fail "the counter does not show the first track"
window_shot "$out/e2e-playing.png"
echo "Screenshot of the player's window: $out/e2e-playing.png"
quiet || fail "the player spoke in the terminal on a normal run"
echo "PASS: the disc image plays"
