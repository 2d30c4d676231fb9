#!/usr/bin/env bash
# The real player under Xvfb with a session D-Bus and the accessibility bus of its own, read by
# a screen reader's means (pyatspi): names, roles and descriptions of the controls, a track button
# pressed through its accessible action, and the counter's new text with its change event.
#   screen_reader.sh VCDPLAYER DISC.cue TRACK_COUNT OUTDIR
set -euo pipefail
player=$1 disc=$2 tracks=$3 out=$4
log=$out/a11y-player.log
mkdir -p "$out"
: >"$log"
here=$(dirname "$(readlink -f "$0")")
source "$here/../e2e/lib.sh"
# An X server and a session bus of our own; the accessibility bus and its registry start from it
# on first use.
e2e_session "$0" "$@"
unset NO_AT_BRIDGE

start_player "$disc"
# pyatspi is Debian's, for Debian's python3.
/usr/bin/python3 "$here/reads_window.py" "$title" "$tracks" || { window_shot "$out/a11y.png" || true; fail "the window does not read right"; }
window_shot "$out/a11y.png" || true
echo "PASS: a screen reader finds every control, presses a track button and hears the counter"
