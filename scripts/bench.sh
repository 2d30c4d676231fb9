#!/usr/bin/env bash
# Builds the optimised player and its benchmarks (build-bench/) and prints one table of every
# figure beside its reference. Takes a few minutes; arguments go to vcd_bench
# (e.g. --runs 3, --only 1,5, --changes 200).
set -euo pipefail
cd "$(dirname "$0")/.."
# The mpv player is the reference of the playback figures, VLC one of the cold start's. VLC
# refuses to run as root: it runs as a user of its own, which a root run makes.
missing=()
command -v mpv >/dev/null || missing+=(mpv)
command -v vlc >/dev/null || missing+=(vlc)
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  elif [[ " ${missing[*]} " == *" mpv "* ]]; then
    echo "The benchmarks compare with the mpv player: sudo apt-get install mpv" >&2
    exit 1
  else
    echo "No VLC: the cold start is not compared with it (sudo apt-get install vlc)" >&2
  fi
fi
if [ "$(id -u)" -eq 0 ] && ! id vcdbench-vlc >/dev/null 2>&1; then
  useradd --system --create-home --shell /usr/sbin/nologin vcdbench-vlc
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target vcd_bench
# A black root window: nothing but the programs' own pictures is bright on this screen.
exec xvfb-run -a -s "-screen 0 1024x768x24 -br" build-bench/bench/vcd_bench "$@"
