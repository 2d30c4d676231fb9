#!/usr/bin/env bash
# The real player (real engine, real window on Xvfb) driven over MPRIS as a desktop's media applet
# drives it: the applet sees the disc playing with the track's name and length, Next moves on,
# play/pause pauses and resumes the real playback, Stop stops, Quit ends the program; and the
# terminal stays quiet.
#   media_keys.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-media-keys.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session "$0" "$@"

mpris() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.vcdplayer /org/mpris/MediaPlayer2 "$@"; }
prop() { mpris org.freedesktop.DBus.Properties.Get "string:org.mpris.MediaPlayer2${2:+.$2}" "string:$1" 2>/dev/null; }
status_is() { prop PlaybackStatus Player | grep -q "\"$1\""; }
title_is() { prop Metadata Player | grep -A1 '"xesam:title"' | grep -q "\"$1\""; }

start_player "$disc"
wait_for 180 status_is Playing || fail "the applet never saw the disc playing"
title_is Avseq01.dat || fail "the applet does not see the first track: $(prop Metadata Player)"
prop Metadata Player | grep -A1 '"mpris:length"' | grep -Eq 'int64 [1-9]' || fail "no length: $(prop Metadata Player)"
prop Identity | grep -q '"Voren VCD Player Lite"' || fail "identity: $(prop Identity)"
prop CanGoNext Player | grep -q 'boolean true' || fail "the applet may not go to the next track"

mpris org.mpris.MediaPlayer2.Player.Next >/dev/null
wait_for 60 title_is Avseq02.dat || fail "Next did not move to the second track: $(prop Metadata Player)"
wait_for 60 said "$(playing 02)" || fail "the window does not show the second track playing"
mpris org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
wait_for 60 status_is Paused || fail "play/pause did not pause"
wait_for 60 said "Status|Paused ,hit spacebar to release" || fail "the window does not show the pause"
mpris org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
wait_for 60 status_is Playing || fail "play/pause did not resume"
mpris org.mpris.MediaPlayer2.Player.Stop >/dev/null
wait_for 60 status_is Stopped || fail "Stop did not stop"
wait_for 60 said_after "Status|Paused ,hit spacebar to release" "Track|00 of 0" || fail "the window does not show the stop"
! title_is Avseq02.dat || fail "a stopped player still names its track"
quiet || fail "the player spoke in the terminal on a normal run"
mpris org.mpris.MediaPlayer2.Quit >/dev/null 2>&1 || true  # the program may end before it answers
for _ in $(seq 1 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Quit did not end the program within 60 s"
echo "PASS: a media applet drives the playing disc"
