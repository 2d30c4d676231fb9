#!/usr/bin/env bash
# The X server's own screen saver on a session with a bus but no screen-saver service on it (a
# plain window manager): set to a few seconds, it does not come on while a film plays, comes on
# after Pause, and comes on when the player dies without a word (the server lifts the player's
# hold with its connection: the user's saver is never left off).
#   x11_screen_saver.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-screen-saver.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session_with_window_manager "$0" "$@"

timeout=3
saver() { xssstate -s; }      # on, off or disabled
idle_ms() { xssstate -i; }    # since the last input
saver_is() { [ "$(saver)" = "$1" ]; }
# The saver stays off while the session has been idle for more than twice its timeout.
stays_off_while_idle() {
  while [ "$(idle_ms)" -lt $((2 * timeout * 1000 + 1000)) ]; do
    saver_is on && return 1
    [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null || fail "the player ended"
    sleep 0.2
  done
  ! saver_is on
}

start_player "$disc"
wait_until_the_disc_shows
logged "the X11 screen saver suspension keeps the session awake" ||
  fail "the player did not fall back on the X server's screen saver"
xset s "$timeout" "$timeout"
xset q | grep -q "timeout:  $timeout " || fail "the X server did not take the saver's timeout: $(xset q | grep timeout)"
stays_off_while_idle || fail "the screen saver came on while the film played ($(idle_ms) ms idle)"
video_is bright || fail "the film no longer plays"

press space
wait_for 60 said "Status|Paused ,hit spacebar to release" || fail "the window does not show the pause"
wait_for 60 saver_is on || fail "the screen saver did not come on after Pause ($(idle_ms) ms idle)"

# Playing again holds it anew (the key press itself ends the saver).
press space
wait_for 60 said_after "Status|Paused ,hit spacebar to release" "Status|Playing Avseq" || fail "the film did not go on"
stays_off_while_idle || fail "the screen saver came on while the film played on ($(idle_ms) ms idle)"

# A player killed outright cannot say goodbye: the saver comes back all the same.
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
pid=""
wait_for 60 saver_is on || fail "the screen saver stayed off after the player died ($(idle_ms) ms idle)"
xset q | grep -q "timeout:  $timeout " || fail "the user's saver settings changed: $(xset q | grep timeout)"
quiet || fail "the player spoke in the terminal"
echo "PASS: the X server's screen saver is held while the film plays, and only then"
