#!/usr/bin/env bash
# Builds the optimised player and its benchmarks (build-bench/) and prints one table of every
# figure beside its reference. Takes a few minutes; arguments go to vcd_bench
# (e.g. --runs 3, --only 1,5, --changes 200).
set -euo pipefail
cd "$(dirname "$0")/.."
# The mpv player is the reference of the playback figures.
if ! command -v mpv >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mpv
  else
    echo "The benchmarks compare with the mpv player: sudo apt-get install mpv" >&2
    exit 1
  fi
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target vcd_bench
# A black root window: nothing but the programs' own pictures is bright on this screen.
exec xvfb-run -a -s "-screen 0 1024x768x24 -br" build-bench/bench/vcd_bench "$@"
