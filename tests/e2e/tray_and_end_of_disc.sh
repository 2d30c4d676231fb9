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
e2e_in_xvfb "$0" "$@"

start_player "$disc"
wait_for 90 video_shows || fail "the disc did not start"
# Three short tracks in "Order": then the player stops and the video area stays dark (a moment
# of black between two tracks does not count).
stays_dark() {
  local i
  for i in 1 2 3 4; do video_dark || return 1; sleep 1.5; done
}
wait_for 90 stays_dark || fail "the disc did not play to its end and stop"
window_shot "$out/e2e-end-of-disc.png"

press alt+e            # tray open: the virtual drive gives its disc up
press alt+p            # Play VCD: searches the drives, finds no disc
sleep 3
video_dark || fail "a track plays although the disc was taken out"

press alt+c            # tray closed: the disc is searched again and plays
wait_for 60 video_shows || fail "the disc did not play again after the tray closed"
window_shot "$out/e2e-after-tray.png"
echo "PASS: played to the end and stopped; Eject hid the disc, Close brought it back"
