#!/usr/bin/env bash
# The real player (real engine, real window on Xvfb) as playerctl and the desktop's media applets
# see it over MPRIS: the position advances while a film plays, `position 20` and `position 5-` jump
# and each jump is signalled (Seeked), the volume follows the window's slider both ways, the
# metadata names the disc, and `loop track` / `shuffle on` select "&Repeat" / "Random", after which
# the end of a track does what that order does.
#   mpris_playerctl.sh VCDPLAYER FILM.cue DISC.cue OUTDIR   (FILM: one long track; DISC: 4 short ones)
set -euo pipefail
player=$1 film=$2 disc=$3 out=$4
log=$out/e2e-mpris-playerctl.log
signals=$out/e2e-mpris-playerctl.signals
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session "$0" "$@"

command -v playerctl >/dev/null || { echo "FAIL: playerctl is not installed (scripts/setup-deps.sh)"; exit 1; }
pc() { playerctl --player=vcdplayer "$@" 2>/dev/null; }
status_is() { [ "$(pc status)" = "$1" ]; }
title_is() { [ "$(pc metadata xesam:title)" = "$1" ]; }
# position_above SECONDS
position_above() { awk -v p="$(pc position)" -v s="$1" 'BEGIN { exit !(p != "" && p + 0 > s) }'; }
# A control of the window as a screen reader reads it: "value checked x y width height".
control() { /usr/bin/python3 "$e2e_dir/window_geometry.py" "$title" control "$1" 2>/dev/null; }
checked() { [ "$(control "$1" | awk '{print $2}')" = 1 ]; }
slider_is() { [ "$(control Volume | awk '{print $1}')" = "$1" ]; }
# The volume playerctl reads equals the slider's value on its 0..100 scale.
volume_matches_slider() {
  local v s
  v=$(pc volume) && s=$(control Volume | awk '{print $1}') || return 1
  awk -v v="$v" -v s="$s" 'BEGIN { exit !(s != "-" && (v * 100 - s) ^ 2 < 0.01) }'
}
# The Seeked signals seen so far (dbus-monitor writes them and PropertiesChanged to $signals), their
# positions in microseconds, one a line.
seeks() { awk '/member=Seeked/ { getline; print $2 }' "$signals"; }
seek_count() { seeks | wc -l; }
# seeked_between N FROM TO: after the first N signals one came with a position in FROM..TO seconds.
seeked_between() { seeks | tail -n +$(($1 + 1)) | awk -v a="$2" -v b="$3" '$1 >= a * 1e6 && $1 <= b * 1e6 { f = 1 } END { exit !f }'; }
# volume_announced V: a PropertiesChanged of the player has told the volume V (0..1).
volume_announced() {
  awk -v v="$1" '/string "Volume"/ { getline; if (($3 - v) ^ 2 < 1e-6) f = 1 } END { exit !f }' "$signals"
}
order_is() {  # the play order the window shows, and what playerctl reads of it
  checked "$1" && [ "$(pc loop)" = "$2" ] && [ "$(pc shuffle)" = "$3" ]
}

monitor=""
e2e_cleanup() { stop_process "$monitor"; }
: >"$signals"
stdbuf -oL dbus-monitor --session "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'" \
  "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',path='/org/mpris/MediaPlayer2'" \
  >"$signals" 2>&1 &
monitor=$!

# --- a film: position, jumps, volume, metadata
start_player "$film"
wait_for 180 status_is Playing || fail "playerctl never saw the film playing"
wait_for 60 said_start "Status|Playing Avseq01." || fail "the window does not show the film playing"
[ "$(pc metadata xesam:album)" = film.cue ] || fail "the album is not the image's name: $(pc metadata)"
pc metadata | grep -q 'xesam:artist' && fail "an artist is named: $(pc metadata)"
length=$(pc metadata mpris:length)
awk -v l="$length" 'BEGIN { exit !(l > 110e6 && l < 130e6) }' || fail "the length is $length"
wait_for 60 position_above 0.5 || fail "the position does not advance: $(pc position)"
start=$(pc position)
wait_for 60 position_above "$(awk -v p="$start" 'BEGIN { print p + 1.5 }')" || fail "the position stays at $(pc position) (it was $start)"

n=$(seek_count)
pc position 20 || fail "playerctl may not set the position"
wait_for 60 seeked_between "$n" 19.5 21.5 || fail "no Seeked near 20 s after 'position 20': $(seeks | tr '\n' ' ')"
position_above 19.5 || fail "the film is at $(pc position) after 'position 20'"
position_above 40 && fail "the film is at $(pc position) after 'position 20'"
n=$(seek_count)
pc position 5- || fail "playerctl may not seek"
wait_for 60 seeked_between "$n" 14 18 || fail "no Seeked near 15 s after 'position 5-': $(seeks | tr '\n' ' ')"
position_above 30 && fail "the film is at $(pc position) after 'position 5-'"
# The window's own seek bar: a click on its groove jumps there, and that jump is signalled too.
read -r _ _ sx sy sw sh < <(control Seek) || fail "the seek slider is not on the accessibility bus"
n=$(seek_count)
xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) click 1
wait_for 60 seeked_between "$n" 45 75 || fail "no Seeked near the middle after a click there on the seek bar: $(seeks | tr '\n' ' ')"

pc volume 0.3 || fail "playerctl may not set the volume"
wait_for 60 slider_is 30 || fail "the volume slider shows $(control Volume) after 'volume 0.3'"
[ "$(pc volume)" = 0.300000 ] || fail "playerctl reads the volume $(pc volume)"
# A click on the slider's groove puts its handle there: the volume follows.
read -r _ _ sx sy sw sh < <(control Volume) || fail "the volume slider is not on the accessibility bus"
xdotool mousemove $((sx + sw * 4 / 5)) $((sy + sh / 2)) click 1
wait_for 60 volume_matches_slider || fail "after a click on the slider ($(control Volume)) playerctl reads $(pc volume)"
awk -v v="$(pc volume)" 'BEGIN { exit !(v > 0.5) }' || fail "the click at four fifths of the slider left the volume at $(pc volume)"
volume_announced 0.3 || fail "'volume 0.3' was not announced"
wait_for 60 volume_announced "$(pc volume)" || fail "the slider's move was not announced (Volume $(pc volume))"
quiet || fail "the player spoke in the terminal on a normal run"
window_shot "$out/e2e-mpris-playerctl.png" || true
stop_process "$pid"
stop_process "$watcher"
pid="" watcher=""

# --- a disc of four short tracks: the play orders
start_player "$disc"
wait_for 180 title_is Avseq01.dat || fail "playerctl never saw the first track: $(pc metadata)"
pc pause  # each order is chosen while paused: a short track cannot end meanwhile
wait_for 60 status_is Paused || fail "pause did not pause"
order_is Order None Off || fail "the player does not start in Order: $(pc loop)/$(pc shuffle)"

pc loop track || fail "playerctl may not set the loop status"
wait_for 60 order_is Repeat Track Off || fail "'loop track' did not select Repeat: $(control Repeat), $(pc loop)/$(pc shuffle)"
n=$(seek_count)
pc play
# Repeat: at its end the same track starts again, which is a jump back to its beginning.
wait_for 90 seeked_between "$n" 0 1.5 || fail "the track did not start over at its end in Repeat: $(seeks | tr '\n' ' ')"
title_is Avseq01.dat || fail "Repeat moved on to $(pc metadata xesam:title)"
said_start "Status|Playing Avseq02" && fail "Repeat played the second track"
pc pause
wait_for 60 status_is Paused || fail "pause did not pause"

pc shuffle on || fail "playerctl may not set shuffle"
wait_for 60 order_is Random None On || fail "'shuffle on' did not select Random: $(control Random), $(pc loop)/$(pc shuffle)"
n=$(seek_count)
pc play
# Random: the never-seeded generator's first two picks among four entries are both the third.
# The first is another track (no jump), the second the same one again (a jump back).
wait_for 90 title_is Avseq03.dat || fail "Random did not pick the third track: $(pc metadata xesam:title)"
said_start "Status|Playing Avseq02" && fail "Random played the second track, as Order would"
wait_for 90 seeked_between "$n" 0 1.5 || fail "Random's second pick did not start the third track again: $(seeks | tr '\n' ' ')"
title_is Avseq03.dat || fail "Random's second pick is $(pc metadata xesam:title)"
pc pause
wait_for 60 status_is Paused || fail "pause did not pause"

pc shuffle off
wait_for 60 order_is Order None Off || fail "'shuffle off' did not select Order: $(control Order), $(pc loop)/$(pc shuffle)"
pc play
wait_for 90 said "$(playing 04)" || fail "Order did not move on to the fourth track"
wait_for 90 status_is Stopped || fail "Order did not stop after the last track"
quiet || fail "the player spoke in the terminal on a normal run"
echo "PASS: playerctl reads and drives position, volume and play order"
