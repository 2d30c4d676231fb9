# Shared by the end-to-end tests: the real player in a real X window on Xvfb.
# Source it after setting: player, disc, out, log (the player's output file).

title="Voren VCD Player Lite ver2.2.0"
win_x=0 win_y=0

# Runs the calling script again inside its own Xvfb server (once).
e2e_in_xvfb() {
  if [ -z "${VCD_E2E_INNER:-}" ]; then
    export VCD_E2E_INNER=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
  fi
}

# Starts the player with the given arguments; it is stopped when the script ends.
start_player() {
  "$player" "$@" >"$log" 2>&1 &
  pid=$!
  trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; e2e_cleanup' EXIT
}
e2e_cleanup() { :; }

fail() {
  echo "FAIL: $*"
  cat "$log"
  exit 1
}

# wait_for SECONDS COMMAND...: runs the command until it succeeds or the time is up.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$pid" 2>/dev/null || fail "the player ended"
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

window_origin() {
  local info
  info=$(xwininfo -name "$title" 2>/dev/null) || return 1
  win_x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  win_y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
}

# Mean brightness (0..1) of a part of the screen: WxH+X+Y.
brightness() {
  import -silent -window root -crop "$1" +repage "$out/probe-$$.png" 2>/dev/null || return 1
  convert "$out/probe-$$.png" -colorspace Gray -format '%[fx:mean]' info:
}
video_area() { echo "470x250+$((win_x + 20))+$((win_y + 10))"; }

# The generated test pictures are far brighter than 0.2; the logo box and a stopped player
# (black) far darker.
video_shows() {
  window_origin || return 1
  local b
  b=$(brightness "$(video_area)") || return 1
  awk -v b="$b" 'BEGIN { exit !(b > 0.2) }'
}
video_dark() {
  window_origin || return 1
  local b
  b=$(brightness "$(video_area)") || return 1
  awk -v b="$b" 'BEGIN { exit !(b < 0.1) }'
}

# Saves a picture of the player's window.
window_shot() {
  local info w h
  window_origin || return 1
  info=$(xwininfo -name "$title")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  import -silent -window root -crop "${w}x${h}+${win_x}+${win_y}" +repage "$1"
}

# Presses keys in the player's window (xdotool key syntax, e.g. alt+e).
press() {
  local id
  id=$(xdotool search --name "^$title\$" | head -n1)
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
  xdotool key --clearmodifiers "$@"
}
