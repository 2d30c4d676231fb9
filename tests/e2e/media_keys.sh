#!/usr/bin/env bash
# The real player (real engine, real window on Xvfb) on a session bus of its own, driven as a
# desktop's media applet drives it: MPRIS reports the disc playing with the track's name, Next
# moves on, play/pause pauses and resumes the real playback; and the terminal stays quiet.
#   media_keys.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-media-keys.log
mkdir -p "$out"
: >"$log"
source "$(dirname "$0")/lib.sh"
if [ -z "${VCD_E2E_BUS:-}" ]; then
  export VCD_E2E_BUS=1
  exec dbus-run-session -- "$0" "$@"
fi
e2e_in_xvfb "$0" "$@"

mpris() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.vcdplayer /org/mpris/MediaPlayer2 "$@"; }
prop() { mpris org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1" 2>/dev/null; }
status_is() { prop PlaybackStatus | grep -q "\"$1\""; }
title_is() { prop Metadata | grep -A1 '"xesam:title"' | grep -q "\"$1\""; }

start_player "$disc"
wait_for 90 status_is Playing || fail "the applet never saw the disc playing"
title_is Avseq01.dat || fail "the applet does not see the first track: $(prop Metadata)"

mpris org.mpris.MediaPlayer2.Player.Next >/dev/null
wait_for 60 title_is Avseq02.dat || fail "Next did not move to the second track: $(prop Metadata)"
wait_for 60 status_is Playing || fail "the second track does not play"

mpris org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
wait_for 30 status_is Paused || fail "play/pause did not pause"
mpris org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
wait_for 30 status_is Playing || fail "play/pause did not resume"

# A normal run says nothing in the player's own categories.
! grep '^vcd\.' "$log" || fail "the player spoke in the terminal on a normal run"
echo "PASS: a media applet drives the playing disc"
