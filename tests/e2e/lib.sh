# Shared by the end-to-end tests: the real player in a real X window (Xvfb), on a session bus of
# its own. The tests wait for what the player makes observable, with generous deadlines, so that
# they pass on a loaded machine: what its window tells a screen reader (window_events.py writes
# the status line, the track counter and control names to $events), its log (the engine's debug
# lines are on: "first frame drawn"), window titles. Pixels are checked once that state says they
# should be there.
# Source it after setting: player, out, log (the player's output file).

title="Voren VCD Player Lite ver2.2.0"
e2e_dir=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
events=${log%.log}.events
win_x=0 win_y=0 pid="" watcher=""

# Runs the calling script again on an X server and a session bus of its own (once).
e2e_session() {
  if [ -z "${VCD_E2E_INNER:-}" ]; then
    export VCD_E2E_INNER=1
    exec "$e2e_dir/../x11/with-xvfb.sh" dbus-run-session --dbus-daemon="$e2e_dir/session-bus-daemon.sh" -- "$@"
  fi
}

# The same under a real window manager (openbox on a 1280x1024 screen), which frames, places,
# maximises and restores the window as a desktop does.
e2e_session_with_window_manager() {
  if [ -z "${VCD_E2E_INNER:-}" ]; then
    export VCD_E2E_INNER=1
    exec "$e2e_dir/../x11/with-window-manager.sh" dbus-run-session --dbus-daemon="$e2e_dir/session-bus-daemon.sh" -- "$@"
  fi
}

e2e_cleanup() { :; }
# Ends a process of ours: asked first, made to after ten seconds.
stop_process() {
  [ -n "$1" ] && kill "$1" 2>/dev/null || return 0
  for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
e2e_stop() {
  stop_process "$pid"
  stop_process "$watcher"
  e2e_cleanup
}
trap e2e_stop EXIT

fail() {
  echo "FAIL: $*"
  echo "--- what the window told: $events"
  cat "$events" 2>/dev/null || true
  echo "--- the player's output: $log"
  cat "$log"
  exit 1
}

# wait_for SECONDS COMMAND...: runs the command until it succeeds or the time is up.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $deadline ]; do
    [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null || fail "the player ended"
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

# Starts the player with the given arguments, and before it the watcher of its window. Its
# messages carry their level ("vcd.engine.debug: first frame drawn (...)").
start_player() {
  : >"$events"
  /usr/bin/python3 "$e2e_dir/window_events.py" "$title" "$events" 2>"$events.err" &
  watcher=$!
  wait_for 120 said ready || fail "the accessibility watcher did not start: $(cat "$events.err")"
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_MESSAGE_PATTERN='%{category}.%{type}: %{message}' \
    QT_LOGGING_RULES='vcd.engine.debug=true;vcd.window.debug=true' "$player" "$@" >"$log" 2>&1 &
  pid=$!
}

# said LINE: the window told this (an exact line of $events); said_start START: a line that starts
# with START. said_after FIRST START: after it first told FIRST, a line that starts with START.
said() { grep -qxF -- "$1" "$events"; }
said_start() { awk -v p="$1" 'index($0, p) == 1 { found = 1 } END { exit !found }' "$events"; }
said_after() {
  awk -v a="$1" -v b="$2" '$0 == a && !seen { seen = 1; next } seen && index($0, b) == 1 { found = 1 } END { exit !found }' "$events"
}
# logged TEXT: the player's output holds it.
logged() { grep -qF -- "$1" "$log"; }
# A normal run says nothing in the player's own categories above debug level.
quiet() { ! grep -E '^vcd\.[a-z]+\.(info|warning|critical|fatal):' "$log"; }
playing() { echo "Status|Playing Avseq$1.dat  ........"; }  # a Video CD's track

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
# The generated test pictures are far brighter than 0.2; the logo box and a stopped player far darker.
video_is() {
  window_origin || return 1
  local b
  b=$(brightness "$(video_area)") || return 1
  if [ "$1" = bright ]; then awk -v b="$b" 'BEGIN { exit !(b > 0.2) }'; else awk -v b="$b" 'BEGIN { exit !(b < 0.1) }'; fi
}

# Waits until the first track plays and libmpv has drawn a frame; then the picture must show.
wait_until_the_disc_shows() {
  wait_for 180 said_start "Status|Playing Avseq01." || fail "the first track did not start within 180 s"
  wait_for 60 logged "first frame drawn" || fail "no frame drawn although the first track plays"
  wait_for 60 video_is bright || fail "the first track plays and a frame was drawn, but the video area shows no picture"
}

# Saves a picture of the player's window.
window_shot() {
  window_origin || return 1
  local size
  size=$(xwininfo -name "$title" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  import -silent -window root -crop "${size}+${win_x}+${win_y}" +repage "$1"
}

# Presses keys in the player's window (xdotool key syntax, e.g. alt+e).
press() {
  local id
  id=$(xdotool search --name "^$title\$" | head -n1)
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
  xdotool key --clearmodifiers "$@"
}
