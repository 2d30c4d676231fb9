#!/usr/bin/env bash
# The real player plays a short Video CD image through to its end and stops. Then the tray
# button (parked out of sight, reached by its access key): Alt+E takes the disc out, so
# "Play VCD" finds nothing; Alt+C puts it back and the first track plays again.
#   tray_and_end_of_disc.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-tray-player.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session "$0" "$@"

start_player "$disc"
# Three short tracks in "Order": the counter reaches the third, then the stopped player's "00 of 0".
wait_for 240 said "Track|03 of 3" || fail "the disc did not reach its third track"
wait_for 120 said_after "Track|03 of 3" "Track|00 of 0" || fail "the disc did not stop after its last track"
wait_for 60 video_is dark || fail "the player stopped, but the video area still shows a picture"
window_shot "$out/e2e-end-of-disc.png"

press alt+e  # tray open: the virtual drive gives its disc up, and the button offers to close it
wait_for 60 said "name|Close" || fail "Eject did not open the tray"
press alt+p  # Play VCD: searches the drives, finds no disc (the window's debug log says so)
wait_for 60 logged "Start from the first drive abandoned: No disc in drive D" || fail "Play VCD found a disc in an open tray"
video_is dark || fail "a track plays although the disc was taken out"
press alt+c  # tray closed: the disc is searched again and plays
wait_for 60 said_after "name|Close" "name|Eject" || fail "Close did not close the tray"
wait_for 120 said_after "name|Eject" "$(playing 01)" || fail "the disc did not play again after the tray closed"
window_shot "$out/e2e-after-tray.png"
echo "PASS: played to the end and stopped; Eject hid the disc, Close brought it back"
