#!/usr/bin/env bash
# The real player in a headless sway session (tests/wayland/with-sway.sh), natively on Wayland
# (PLATFORM wayland) or through XWayland (PLATFORM xcb), playing a Video CD image. What a user does
# with the pointer on the picture and the front panel, done with sway's own cursor (virtual
# devices give the seat a pointer and a keyboard): the picture moves; a click pauses and a second one
# resumes; a right click opens the player's menu; full screen and a double click back show the
# moving picture in the window again; "On Top" tells the user that sway keeps no window on top
# and clears itself; Capture saves the picture with its caption on the test's own Desktop. On a
# session bus without a screen-saver service, natively, the player holds an idle inhibitor on its
# window while the film plays and not while it is paused.
# Screenshots of each step (grim) go to OUTDIR/PLATFORM.
#   player_on_sway.sh VCDPLAYER VIRTUAL_SEAT DISC.cue OUTDIR PLATFORM
set -euo pipefail
player=$1 seat_tool=$2 disc=$3 outdir=$4 platform=$5
here=$(dirname "$(readlink -f "$0")")
if [ -z "${VCD_SWAY_INNER:-}" ]; then
  # The session runs as a user of its own: what it needs is copied where every user may read it.
  stage=$("$here/stage.sh" "$player" "$seat_tool" --disc "$disc")
  trap 'rm -rf "$stage"' EXIT
  rm -rf "${outdir:?}/$platform"  # this run's pictures only
  rc=0
  "$stage/tests/wayland/with-sway.sh" "$outdir/$platform" "$stage/tests/wayland/player_on_sway.sh" \
    "$stage/vcdplayer" "$stage/virtual_seat" "$stage/disc/$(basename "$disc")" "$outdir" "$platform" || rc=$?
  exit $rc
fi
out=$VCD_WAYLAND_OUT
log=$out/player.log
source "$here/../e2e/lib.sh"
rm -f "$out"/*.png
# A failure leaves a picture of the screen and sway's window tree beside the step's pictures.
eval "report_$(declare -f fail)"
fail() {
  grim "$out/failure.png" 2>/dev/null || true
  swaymsg -t get_tree >"$out/failure-tree.json" 2>/dev/null || true
  report_fail "$@"
}

if [ "$platform" = xcb ]; then
  [ -n "${DISPLAY:-}" ] || { echo "SKIP: sway runs no Xwayland here (the xwayland package)"; exit 77; }
  export QT_QPA_PLATFORM=xcb
else
  export QT_QPA_PLATFORM=wayland
fi
desktop=$VCD_WAYLAND_HOME/Desktop
shot=$desktop/ScreenShot.bmp

# A pointer and a keyboard: virtual devices kept while the test runs (their tool's input is a pipe
# we hold open).
mkfifo "$out/seat.in"
"$seat_tool" <"$out/seat.in" >"$out/seat.out" 2>&1 &
seat_pid=$!
exec 7>"$out/seat.in"
e2e_cleanup() { exec 7>&- 2>/dev/null || true; stop_process "$seat_pid"; }
wait_for 60 grep -qx ready "$out/seat.out" || fail "no virtual pointer and keyboard: $(cat "$out/seat.out")"

# Where sway shows a window, by its title: "x y width height" of its content on the output.
content_rect() {
  swaymsg -t get_tree | python3 -c '
import json, sys
title = sys.argv[1]
def walk(n):
    if n.get("name") == title and n.get("pid"):
        r, w = n["rect"], n["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"]); sys.exit(0)
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin)); sys.exit(1)' "$1"
}
window_is_there() { read -r wx wy ww wh < <(content_rect "$title") && [ "${ww:-0}" -gt 100 ]; }
window_titled() { content_rect "$1" >/dev/null; }
no_window_titled() { ! content_rect "$1" >/dev/null; }
fullscreen_shown() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    r, w = n["rect"], n.get("window_rect", {"x": 0, "y": 0, "width": 0, "height": 0})
    if n.get("pid") and w["width"] >= 1280 and w["height"] >= 800 and r["x"] + w["x"] <= 0 and r["y"] + w["y"] <= 0:
        sys.exit(0)  # a window whose content covers the whole output
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin)); sys.exit(1)'
}
# A point of the window given as fractions of its client area (the resizer keeps proportions).
at() { echo "$(awk -v o="$wx" -v s="$ww" -v f="$1" 'BEGIN { printf "%d", o + s * f }')" \
            "$(awk -v o="$wy" -v s="$wh" -v f="$2" 'BEGIN { printf "%d", o + s * f }')"; }
cursor() { swaymsg -q "seat seat0 cursor set $*"; }
click() { swaymsg -q "seat seat0 cursor press $1; seat seat0 cursor release $1"; }
double_click() {
  swaymsg -q "seat seat0 cursor press button1; seat seat0 cursor release button1; seat seat0 cursor press button1; seat seat0 cursor release button1"
}
# key KEY: a key as xdotool names it (Return, Escape, alt+r) to the window with the keyboard.
# Natively the typing tool's virtual keyboard sends it; its keys do not reach X clients under
# Xwayland, so there XTEST inside Xwayland does, which delivers to the X window holding the focus
# that sway gave Xwayland.
key() {
  if [ "$platform" = xcb ]; then
    xdotool key --clearmodifiers "$1"
  else
    local held=() down=() up=() mod
    [[ $1 == *+* ]] && IFS=+ read -ra held <<<"${1%+*}"
    for mod in "${held[@]}"; do down+=(-M "$mod"); up+=(-m "$mod"); done
    wtype "${down[@]}" -k "${1##*+}" "${up[@]}"
  fi
}
# close_box TITLE: the message box titled so gets the keyboard and its default button is pressed;
# true once it is gone.
close_box() {
  no_window_titled "$1" && return 0
  swaymsg -q "[title=\"^$1\$\"] focus" 2>/dev/null || true
  key Return
  sleep 0.3
  no_window_titled "$1"
}
screen_shot() { grim "$out/$1.png"; }
# The picture area: from a tenth to nine tenths across, 5% to 55% down the client area.
picture_geometry() {
  echo "$(awk -v x="$wx" -v y="$wy" -v w="$ww" -v h="$wh" 'BEGIN { printf "%d,%d %dx%d", x + w * 0.1, y + h * 0.05, w * 0.8, h * 0.5 }')"
}
picture_shot() { grim -g "$(picture_geometry)" "$out/$1.png"; }
bright() {  # FILE: mean brightness above 0.2 (the test pictures are far brighter, black is 0)
  awk -v b="$(convert "$1" -colorspace Gray -format '%[fx:mean]' info:)" 'BEGIN { exit !(b > 0.2) }'
}
picture_bright() { window_is_there && picture_shot probe && bright "$out/probe.png"; }
# The picture moves: two shots of it differ.
picture_moves() {
  window_is_there || return 1
  picture_shot probe-a && sleep 0.5 && picture_shot probe-b || return 1
  local diff
  diff=$(compare -metric AE "$out/probe-a.png" "$out/probe-b.png" null: 2>&1 || true)
  [ "${diff%% *}" != "0" ] && bright "$out/probe-b.png"
}
picture_still() {
  window_is_there || return 1
  picture_shot probe-a && sleep 0.7 && picture_shot probe-b || return 1
  local diff
  diff=$(compare -metric AE "$out/probe-a.png" "$out/probe-b.png" null: 2>&1 || true)
  [ "${diff%% *}" = "0" ]
}
not_fullscreen() { ! fullscreen_shown; }
screen_bright() { grim "$out/probe.png" && bright "$out/probe.png"; }
paused_line="Status|Paused ,hit spacebar to release"
# mark: the number of lines the window has told so far; said_since MARK START: a line that
# starts with START told after the mark.
mark() { wc -l <"$events"; }
said_since() { tail -n "+$(($1 + 1))" "$events" | awk -v p="$2" 'index($0, p) == 1 { found = 1 } END { exit !found }'; }

start_player "$disc"
wait_for 120 window_is_there || fail "sway shows no window titled \"$title\""
wait_until_shown() {
  wait_for 180 said_start "Status|Playing Avseq01." || fail "the first track did not start within 180 s"
  wait_for 60 logged "first frame drawn" || fail "no frame drawn although the first track plays"
  wait_for 60 picture_moves || fail "the first track plays, but the picture in the window does not move"
}
wait_until_shown
echo "window at $wx,$wy ${ww}x${wh} ($platform)"
screen_shot 1-playing

# The session's bus has no screen-saver service: natively the player keeps sway awake through the
# idle-inhibit protocol while the film plays, as sway's own record of the window says.
# (swayidle, set to 2 s, shows what the user sees: the session goes idle once the film is paused.)
app_inhibits() {
  swaymsg -t get_tree | python3 -c '
import json, sys
title = sys.argv[1]
def walk(n):
    if n.get("name") == title and n.get("pid"):
        sys.exit(0 if n.get("idle_inhibitors", {}).get("application", "none") != "none" else 1)
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin)); sys.exit(1)' "$title"
}
no_app_inhibits() { ! app_inhibits; }
session_idle() { [ -e "$out/idle" ]; }
if [ "$platform" = wayland ]; then
  wait_for 60 app_inhibits || fail "the film plays, but the player holds no idle inhibitor on its window"
  if command -v swayidle >/dev/null; then
    swayidle timeout 2 "touch '$out/idle'" resume "rm -f '$out/idle'" >"$out/swayidle.log" 2>&1 &
    swayidle_pid=$!
    eval "seat_$(declare -f e2e_cleanup)"
    e2e_cleanup() { stop_process "$swayidle_pid"; seat_e2e_cleanup; }
  fi
fi

# A click on the picture pauses (once the double-click interval is over); a second resumes.
cursor $(at 0.5 0.35)
click button1
wait_for 60 said "$paused_line" || fail "a click on the picture did not pause"
wait_for 30 picture_still || fail "paused, but the picture still moves"
screen_shot 2-paused
if [ "$platform" = wayland ]; then
  wait_for 60 no_app_inhibits || fail "paused, but the player still holds its idle inhibitor"
  if [ -n "${swayidle_pid:-}" ]; then
    wait_for 60 session_idle || fail "paused, but the session never went idle (swayidle: $(cat "$out/swayidle.log"))"
  fi
fi
# The demo disc is short: "Repeat" (Alt+R) keeps a track going for as long as the test takes.
# (Pressed once the click has given the window the keyboard, which XWayland windows need.)
key alt+r
wait_for 30 said "checked|Repeat|1" || fail "Alt+R did not choose Repeat"
click button1
wait_for 60 said_after "$paused_line" "Status|Playing Avseq" || fail "a second click on the picture did not resume"
wait_for 60 picture_moves || fail "resumed, but the picture does not move"
if [ "$platform" = wayland ]; then
  wait_for 60 app_inhibits || fail "playing again, but the player holds no idle inhibitor"
fi

# A right click opens the player's own menu; Esc closes it.
click button3
wait_for 60 logged "context menu shown" || fail "a right click on the picture opened no menu"
screen_shot 3-menu
# (Under XWayland the menu's keyboard grab may not take: a click on the title bar closes it then.)
close_menu() {
  logged "context menu closed" && return 0
  key Escape
  sleep 0.5
  logged "context menu closed" && return 0
  cursor $((wx + 200)) $((wy - 10))
  click button1
  sleep 0.5
  logged "context menu closed"
}
wait_for 60 close_menu || fail "the menu did not close"

# Full screen, then a double click on the picture back into the window, where it moves on.
cursor $(at 0.482 0.858)
click button1
wait_for 60 fullscreen_shown || fail "Full Scr did not show the picture over the whole screen"
wait_for 60 screen_bright || fail "full screen shows no picture"
screen_shot 4-full-screen
cursor 640 300
double_click
wait_for 60 not_fullscreen || fail "a double click on the full-screen picture did not leave full screen"
wait_for 60 window_is_there || fail "the window is gone after full screen"
wait_for 90 picture_moves || fail "back from full screen, the picture in the window does not move"
screen_shot 5-back-from-full-screen

# "On Top": sway keeps no window above the others (natively, nor for XWayland windows): the
# user is told so and the box is clear again.
cursor $(at 0.7226 0.858)
click button1
wait_for 60 window_titled "Voren VCD Player Lite" || fail "checking On Top told the user nothing"
screen_shot 6-on-top-refused
wait_for 60 close_box "Voren VCD Player Lite" || fail "the On Top message did not close"
# (The screen reader hears the box change; by the time it asks, the box is clear again.)
said_start "checked|On Top|" || fail "the click on On Top did not reach the box"
wait_for 30 bash -c '[[ $(grep "^checked|On Top|" "$0" | tail -n1) == *"|0" ]]' "$events" || fail "On Top stays checked"

# Capture: the picture with its caption on the Desktop, and the closing message.
rm -f "$shot"
before_capture=$(mark)
cursor $(at 0.6254 0.858)
click button1
wait_for 120 window_titled "All Done" || fail "no \"All Done\" message within 120 s"
screen_shot 7-capture-all-done
[ -f "$shot" ] || fail "no ScreenShot.bmp on the Desktop"
size=$(identify -format '%wx%h' "BMP:$shot")
[ "$size" = "1280x820" ] || fail "the screenshot is $size, not the 1280x800 screen plus 20"
convert "BMP:$shot" "$out/8-saved-screenshot.png"
shot_b=$(convert "BMP:$shot" -crop 1280x800+0+0 -colorspace Gray -format '%[fx:mean]' info:)
awk -v b="$shot_b" 'BEGIN { exit !(b > 0.2) }' || fail "the screenshot is dark (brightness $shot_b): not the picture"
strip_text=$(convert "BMP:$shot" -crop 800x20+400+800 -fill black +opaque '#FFFF00' -format '%[fx:mean]' info:)
awk -v t="$strip_text" 'BEGIN { exit !(t > 0) }' || fail "no yellow caption in the strip under the picture"
wait_for 60 close_box "All Done" || fail "the \"All Done\" message did not close"
said_since "$before_capture" "$paused_line" || fail "the capture did not hold the picture"
wait_for 60 bash -c 'tail -n "+$(($1 + 1))" "$0" | grep -q "^Status|Playing Avseq"' "$events" "$before_capture" ||
  fail "the video does not play on after the capture"
wait_for 90 picture_moves || fail "after the capture the picture in the window does not move"
screen_shot 9-after-capture
quiet || fail "the player spoke in the terminal on a normal run"
echo "PASS ($platform): picture, click pause and resume, menu, full screen and back, On Top refused, capture"
