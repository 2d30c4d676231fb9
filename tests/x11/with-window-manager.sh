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
wm="" wm_log=$(mktemp)
trap '[ -z "$wm" ] || kill "$wm" 2>/dev/null || true; wait 2>/dev/null || true; rm -f "$wm_log"' EXIT
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
# openbox has been seen to end at once now and then on a loaded machine: it is started up to
# three times, each start given two minutes to take over the screen; what it said is shown when
# it never does.
for attempt in 1 2 3; do
  openbox --sm-disable >>"$wm_log" 2>&1 &
  wm=$!
  for _ in $(seq 1 1200); do
    wm_running && break 2
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  kill "$wm" 2>/dev/null || true  # alive but not in charge after two minutes: started anew
  rc=0
  wait "$wm" 2>/dev/null || rc=$?
  echo "(openbox start $attempt ended with status $rc)" >>"$wm_log"
  wm=""
done
wm_running || { echo "openbox did not take over the screen: $(tr '\n' ' ' <"$wm_log")" >&2; exit 1; }
"$@"
