#!/usr/bin/env bash
# Runs a command inside a headless sway (wlroots) session of its own, as a normal user: sway
# refuses to run as root, so a root caller hands over to the user "vcd-wayland" (created here when
# missing). The session has its own runtime folder, home, session bus and compositor; the command
# sees WAYLAND_DISPLAY, SWAYSOCK and (when Xwayland is installed) DISPLAY, and VCD_WAYLAND_HOME
# (its home, with a Desktop folder) and VCD_WAYLAND_OUT (a folder it may write, copied to OUTDIR
# afterwards). Exits 77 (a skip) with one line only where the compositor cannot start at all.
#   with-sway.sh OUTDIR COMMAND [ARGS...]
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
user=vcd-wayland

if [ -z "${VCD_SWAY_INNER:-}" ]; then
  command -v sway >/dev/null || { echo "SKIP: sway is not installed"; exit 77; }
  base=$(mktemp -d /tmp/vcd-wayland.XXXXXX)
  chmod 755 "$base"
  trap 'rm -rf "$base"' EXIT
  out=$1
  mkdir -p "$out" "$base/runtime" "$base/home/Desktop" "$base/home/.config" "$base/out"
  echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$base/home/.config/user-dirs.dirs"
  chmod 700 "$base/runtime"
  run_as=()
  if [ "$(id -u)" -eq 0 ]; then
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
      id "$user" >/dev/null 2>&1 || { echo "SKIP: no user to run the compositor as"; exit 77; }
    chown -R "$user:" "$base/runtime" "$base/home" "$base/out"
    run_as=(runuser -u "$user" --)
  fi
  set +e
  cd "$base"  # the caller's folder may be closed to the session's user
  "${run_as[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$base/home" \
    XDG_RUNTIME_DIR="$base/runtime" XDG_CONFIG_HOME="$base/home/.config" VCD_WAYLAND_HOME="$base/home" \
    VCD_WAYLAND_OUT="$base/out" VCD_SWAY_INNER=1 \
    dbus-run-session --dbus-daemon="$here/../e2e/session-bus-daemon.sh" -- "$0" "$@"
  rc=$?
  cp -r "$base/out/." "$out/" 2>/dev/null || true
  exit $rc
fi

shift  # OUTDIR: the caller's
runtime=$XDG_RUNTIME_DIR
cat >"$runtime/sway.config" <<CONF
output HEADLESS-1 resolution 1280x800 position 0 0
xwayland enable
default_border normal
focus_follows_mouse no
seat seat0 hide_cursor 0
exec sh -c 'echo "\$DISPLAY" > $runtime/x-display'
CONF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$runtime/sway.config" >"$runtime/sway.log" 2>&1 &
sway_pid=$!
stop_sway() {
  kill "$sway_pid" 2>/dev/null || return 0
  for _ in $(seq 1 100); do kill -0 "$sway_pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$sway_pid" 2>/dev/null || true
  wait "$sway_pid" 2>/dev/null || true
}
trap stop_sway EXIT
for _ in $(seq 1 1200); do  # a loaded machine may take its time: at most two minutes
  sock=$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -n1 || true)
  display=$(cd "$runtime" && ls wayland-[0-9] 2>/dev/null | head -n1 || true)
  [ -n "$sock" ] && [ -n "$display" ] && swaymsg -s "$sock" -t get_version >/dev/null 2>&1 && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "${sock:-}" ] || [ -z "${display:-}" ] || ! kill -0 "$sway_pid" 2>/dev/null; then
  echo "SKIP: sway cannot start here: $(tail -n1 "$runtime/sway.log")"
  exit 77
fi
export SWAYSOCK=$sock WAYLAND_DISPLAY=$display XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
unset DISPLAY
if command -v Xwayland >/dev/null; then
  for _ in $(seq 1 300); do [ -s "$runtime/x-display" ] && break; sleep 0.1; done
  [ -s "$runtime/x-display" ] && export DISPLAY=$(cat "$runtime/x-display")
fi
set +e
"$@"
