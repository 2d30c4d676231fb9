#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb). The server picks a free display number itself
# (-displayfd) and says it once it accepts connections: "xvfb-run -a" guesses the number from lock
# files, and two guesses made at the same moment by test runs side by side can take the same one,
# after which one run's programs find no server.
#   with-xvfb.sh [WxHxD] COMMAND [ARGS...]
set -euo pipefail
screen=1024x768x24
if [[ ${1:-} =~ ^[0-9]+x[0-9]+x[0-9]+$ ]]; then screen=$1; shift; fi
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
xvfb=$!
stop() {  # asked first, made to after ten seconds
  kill "$xvfb" 2>/dev/null || return 0
  for _ in $(seq 1 100); do kill -0 "$xvfb" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap 'stop; rm -rf "$dir"' EXIT
for _ in $(seq 1 1200); do  # a loaded machine may take its time: at most two minutes
  [ -s "$dir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$dir/log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$dir/display")"
unset XAUTHORITY WAYLAND_DISPLAY XDG_SESSION_TYPE
set +e
"$@"
