#!/usr/bin/env bash
# The real player under Xvfb plays a Video CD image; Capture is clicked. The screenshot lands on
# the test's own Desktop folder with the screen's size plus the 20-pixel caption strip and the
# "p" marker, the "All Done" message appears and closes, and the video is back in the window and
# plays on. The screenshot, as PNG, is left in the output folder.
#   captures_screenshot.sh VCDPLAYER DISC.cue OUTDIR
set -euo pipefail
player=$1 disc=$2 out=$3
log=$out/e2e-capture-player.log
mkdir -p "$out"
source "$(dirname "$0")/lib.sh"
e2e_session "$0" "$@"

# A home of our own: the screenshot must never reach a real Desktop.
home=$(mktemp -d)
mkdir -p "$home/Desktop" "$home/.config"
echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$home/.config/user-dirs.dirs"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DESKTOP_DIR=$home/Desktop
shot=$home/Desktop/ScreenShot.bmp
rm -f "$out"/e2e-capture*.png
e2e_cleanup() { rm -rf "$home"; }
all_done_box() { box=$(xdotool search --name '^All Done$' 2>/dev/null | head -n1) && [ -n "$box" ]; }
no_all_done_box() { ! xdotool search --name '^All Done$' >/dev/null 2>&1; }

start_player "$disc"
wait_until_the_disc_shows
# The front panel's left part (Play VCD, >>, Full Scr), to see later that the video is back in
# its own area and not spread over the panel.
panel_area() { echo "260x40+$((win_x + 8))+$((win_y + 304))"; }
import -silent -window root -crop "$(panel_area)" +repage "$out/e2e-capture-panel-before.png"

# "Capture" sits in the front panel: its middle is 313, 328 pixels from the window's corner.
xdotool mousemove $((win_x + 313)) $((win_y + 328)) click 1
box=""
wait_for 120 all_done_box || fail "no \"All Done\" message within 120 s"
[ -f "$shot" ] || fail "no ScreenShot.bmp on the Desktop"
size=$(identify -format '%wx%h' "BMP:$shot")
[ "$size" = "1024x788" ] || fail "the screenshot is $size, not the 1024x768 screen plus 20"
marker=$(tail -c 1 "$shot" | od -An -tx1 | tr -d ' ')
[ "$marker" = "70" ] || fail "the last byte is 0x$marker, not 0x70"
convert "BMP:$shot" "$out/e2e-capture.png"
echo "The saved screenshot: $out/e2e-capture.png"
# What was captured is the full-screen video (bright), not the black cover; below it the black
# strip with the yellow caption from a third of the way across.
shot_b=$(convert "BMP:$shot" -crop 1024x768+0+0 -colorspace Gray -format '%[fx:mean]' info:)
awk -v b="$shot_b" 'BEGIN { exit !(b > 0.2) }' || fail "the screenshot is dark (brightness $shot_b): not the video"
strip_left=$(convert "BMP:$shot" -crop 330x20+0+768 -format '%[fx:maxima.r]' info:)
strip_text=$(convert "BMP:$shot" -crop 600x20+341+768 -fill black +opaque '#FFFF00' -format '%[fx:mean]' info:)
awk -v l="$strip_left" -v t="$strip_text" 'BEGIN { exit !(l == 0 && t > 0) }' ||
  fail "the strip is not black with a yellow caption from a third across ($strip_left, $strip_text)"

xdotool windowfocus --sync "$box" key Return || true  # the message's default button
wait_for 60 no_all_done_box || fail "the \"All Done\" message did not close"
# The capture paused the video and plays it on: the status line says so.
wait_for 60 said_after "Status|Paused ,hit spacebar to release" "Status|Playing Avseq" ||
  fail "the video does not play on after the capture"
# Now the picture is back in its own area: nothing bright outside the window, the panel uncovered,
# and the picture changes.
outside_dark() { awk -v b="$(brightness "200x150+824+600")" 'BEGIN { exit !(b < 0.1) }'; }
wait_for 60 outside_dark || fail "the video still covers the screen outside the window"
window_origin || fail "the main window is gone"
window_shot "$out/e2e-capture-window.png"
import -silent -window root -crop "$(panel_area)" +repage "$out/e2e-capture-panel-after.png"
panel_diff=$(compare -fuzz 10% -metric AE "$out/e2e-capture-panel-before.png" "$out/e2e-capture-panel-after.png" null: 2>&1 || true)
[ "${panel_diff%% *}" -lt 500 ] 2>/dev/null || fail "the front panel is covered after the capture ($panel_diff pixels differ)"
import -silent -window root -crop "$(video_area)" +repage "$out/e2e-capture-before.png"
picture_changes() {
  import -silent -window root -crop "$(video_area)" +repage "$out/e2e-capture-after.png" 2>/dev/null || return 1
  local diff
  diff=$(compare -metric AE "$out/e2e-capture-before.png" "$out/e2e-capture-after.png" null: 2>&1 || true)
  [ "${diff%% *}" != "0" ]
}
wait_for 60 picture_changes || fail "the picture stands still after the capture"
echo "PASS: captured $size with the marker byte; the message closed; the video plays on in the window"
