#!/usr/bin/env bash
# The real player under openbox (a real window manager) on Xvfb plays a one-track film. Full Scr,
# Esc, maximise, restore; then Capture, the "All Done" box closed, maximise, restore. After each
# round every control a screen reader finds on the window (its role, name and place relative to
# the window, over AT-SPI) is where it was before, maximised as it was maximised before; the
# status line shows over the video; the capture lets the film go on from where it was. Pictures
# of each step are left in OUTDIR.
#   window_stays_right.sh VCDPLAYER FILM.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-window-player.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session_with_window_manager "$0" "$@"
command -v wmctrl >/dev/null || { echo "wmctrl is not installed (scripts/setup-deps.sh)"; exit 1; }

# A home of our own: the screenshot must never reach a real Desktop.
home=$(mktemp -d)
mkdir -p "$home/Desktop" "$home/.config"
echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$home/.config/user-dirs.dirs"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DESKTOP_DIR=$home/Desktop
e2e_cleanup() { rm -rf "$home"; }
rm -f "$out"/[0-9]-*.png "$out"/[0-9][0-9]-*.png "$out"/*.controls

# The player's windows by their title (while the video is full screen there are two).
windows() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true; }
one_window() { [ "$(windows | wc -l)" = 1 ]; }
# (xwininfo without a window waits for a click: never call it so.)
width_of() { [ -n "${1:-}" ] && xwininfo -id "$1" 2>/dev/null | awk '/Width:/ {print $2}'; }
size_of() { [ -n "${1:-}" ] && xwininfo -id "$1" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
# The full-screen video covers the whole 1280 x 1024 screen; the main window, even maximised,
# leaves the window manager's title bar.
full_screen_id() {
  local id
  for id in $(windows); do [ "$(size_of "$id")" = 1280x1024 ] && { echo "$id"; return 0; }; done
  return 1
}
main_id() {
  local id
  for id in $(windows); do [ "$(size_of "$id")" != 1280x1024 ] && { echo "$id"; return 0; }; done
  return 1
}
shoot() { import -silent -window root "$out/$1.png"; echo "picture: $out/$1.png"; }

# What a screen reader finds on the window, read until two readings agree (the layout settled).
controls_now() {
  local a b
  a=$(/usr/bin/python3 "$e2e_dir/window_geometry.py" "$title" controls 2>/dev/null) || return 1
  b=$(/usr/bin/python3 "$e2e_dir/window_geometry.py" "$title" controls 2>/dev/null) || return 1
  [ -n "$a" ] && [ "$a" = "$b" ] && printf '%s\n' "$a"
}
read_controls() { controls_now >"$out/$1.controls"; }
looks_as() {  # looks_as NAME: the controls now are those saved as NAME
  controls_now >"$out/now.controls" && cmp -s "$out/now.controls" "$out/$1.controls"
}
expect_looks_as() {
  wait_for 60 looks_as "$1" ||
    fail "$2: the controls are not where they were ($(diff "$out/$1.controls" "$out/now.controls" | head -20 | tr '\n' ';'))"
}
position() { /usr/bin/python3 "$e2e_dir/window_geometry.py" "$title" position 2>/dev/null; }

maximise() {
  local id
  id=$(main_id) || fail "no main window to maximise"
  wmctrl -i -r "$id" -b add,maximized_vert,maximized_horz || fail "wmctrl cannot maximise the window"
  wait_for 60 is_wide || fail "the window did not maximise"
}
restore() {
  local id
  id=$(main_id) || fail "no main window to restore"
  wmctrl -i -r "$id" -b remove,maximized_vert,maximized_horz || fail "wmctrl cannot restore the window"
  wait_for 60 is_narrow || fail "the window did not restore"
}
is_wide() { [ "$(width_of "$(main_id)")" -gt 501 ] 2>/dev/null; }
is_narrow() { [ "$(width_of "$(main_id)")" = 501 ] 2>/dev/null; }
click_in_window() { window_origin || fail "the main window is gone"; xdotool mousemove $((win_x + $1)) $((win_y + $2)) click 1; }

# The status line (lblDisplay, 241 x 13 pixels at 120, 288): its picture now against the one
# taken before full screen with the same text; it must show dark text, not the video's face.
status_area() { window_origin && echo "241x13+$((win_x + 120))+$((win_y + 288))"; }
status_shows() {
  import -silent -window root -crop "$(status_area)" +repage "$out/status-now.png" 2>/dev/null || return 1
  local diff ink
  diff=$(compare -fuzz 15% -metric AE "$out/status-before.png" "$out/status-now.png" null: 2>&1 || true)
  ink=$(convert "$out/status-now.png" -colorspace Gray -threshold 40% -negate -format '%[fx:mean*w*h]' info:)
  [ "${diff%% *}" -lt 40 ] 2>/dev/null && awk -v i="$ink" 'BEGIN { exit !(i > 60) }'
}

# clear_of A B FILE: the controls named A and B (role|name) do not overlap in a saved reading.
clear_of() {
  awk -F'|' -v a="$1" -v b="$2" '
    $1 "|" $2 == a { split($3, r, ","); ax = r[1]; ay = r[2]; aw = r[3]; ah = r[4]; fa = 1 }
    $1 "|" $2 == b { split($3, r, ","); bx = r[1]; by = r[2]; bw = r[3]; bh = r[4]; fb = 1 }
    END { exit !(fa && fb && (ax + aw <= bx || bx + bw <= ax || ay + ah <= by || by + bh <= ay)) }' "$3"
}

start_player "$disc"
wait_until_the_disc_shows
wait_for 60 one_window || fail "more than one window is titled \"$title\""
window_origin
read_controls before
import -silent -window root -crop "$(status_area)" +repage "$out/status-before.png"
status_shows || fail "the status line does not show before full screen"
shoot 1-before
maximise
read_controls maximised
shoot 2-maximised
# The status line lies over the middle of the control bar's lower row at every size, never over
# the seek slider above it.
for reading in before maximised; do
  clear_of "label|Status" "slider|Seek" "$out/$reading.controls" ||
    fail "the status line covers the seek slider ($reading: $(grep -E '^(label\|Status|slider\|Seek)' "$out/$reading.controls" | tr '\n' ';'))"
done
restore
expect_looks_as before "maximised and restored"

# --- Full Scr, Esc, maximise, restore
click_in_window 241 328  # "Full Scr"
full_screen() { [ "$(windows | wc -l)" = 2 ] && full_screen_id >/dev/null; }
wait_for 60 full_screen || fail "no full-screen window titled \"$title\""
shoot 3-full-screen
fs=$(full_screen_id)
xdotool windowactivate --sync "$fs" 2>/dev/null || xdotool windowfocus --sync "$fs"
xdotool key --clearmodifiers Escape
wait_for 60 one_window || fail "Esc did not leave full screen"
expect_looks_as before "after full screen"
wait_for 30 status_shows || fail "the status line is covered after full screen (see $out/status-now.png)"
shoot 4-after-full-screen
maximise
expect_looks_as maximised "maximised after full screen"
shoot 5-maximised-after-full-screen
restore
expect_looks_as before "restored after full screen"
shoot 6-restored-after-full-screen

# --- Capture, the box closed, maximise, restore; the film goes on from where it was
past_20s() { local p; p=$(position) && [ "$p" -gt 20000 ]; }
wait_for 120 past_20s || fail "the film does not reach 20 s"
held=$(position)
click_in_window 313 328  # "Capture"
all_done_box() { box=$(xdotool search --name '^All Done$' 2>/dev/null | head -n1) && [ -n "$box" ]; }
no_all_done_box() { ! xdotool search --name '^All Done$' >/dev/null 2>&1; }
box=""
wait_for 120 all_done_box || fail "no \"All Done\" message within 120 s"
shoot 7-capture-done
xdotool windowfocus --sync "$box" key Return || true
wait_for 60 no_all_done_box || fail "the \"All Done\" message did not close"
wait_for 60 said_after "Status|Paused ,hit spacebar to release" "Status|Playing Avseq01" ||
  fail "the film does not play on after the capture"
went_on() { local p; p=$(position) && [ "$p" -ge "$held" ] && [ "$p" -gt $((held + 500)) ]; }
wait_for 60 went_on || fail "after the capture the film is at $(position) ms: it was at $held ms"
wait_for 60 one_window || fail "the full-screen window stays after the capture"
expect_looks_as before "after the capture"
wait_for 30 status_shows || fail "the status line is covered after the capture (see $out/status-now.png)"
shoot 8-after-capture
maximise
expect_looks_as maximised "maximised after the capture"
shoot 9-maximised-after-capture
restore
expect_looks_as before "restored after the capture"
shoot 10-restored-after-capture
quiet || fail "the player printed more than debug lines"
echo "PASS: full screen and the capture leave every control in place at both sizes; the status line shows; the film went on from $held ms"
