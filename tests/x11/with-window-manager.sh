#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) managed by openbox, the way a desktop user's
# windows are: the window manager, not the program, decides stacking, position and frames.
#   with-window-manager.sh COMMAND [ARGS...]
set -euo pipefail
if [ "${1:-}" != "--inside" ]; then
  exec "$(dirname "$0")/with-xvfb.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
command -v openbox >/dev/null || { echo "openbox is not installed (scripts/setup-deps.sh)" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true; wait "$wm" 2>/dev/null || true' EXIT
# Wait until the window manager has taken over the screen (bounded: two minutes).
for _ in $(seq 1 1200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$wm" 2>/dev/null || { echo "openbox did not start" >&2; exit 1; }
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "openbox did not take over" >&2; exit 1; }
"$@"
