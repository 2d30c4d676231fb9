#!/usr/bin/env bash
# A session of with-sway.sh runs as a user of its own, who may not reach this checkout or its
# build (a clone under /root is mode 700). This copies what such a session needs into a new folder
# that every user may read and prints its path (the caller removes it): these scripts and the
# end-to-end helpers they use (under tests/), the given programs (by their own names at the top,
# with the library a launcher loads from beside it: lib<program>.so)
# and, for each --disc, the sheet and the data files it names (under disc/).
#   stage.sh [--disc SHEET]... PROGRAM...
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
stage=$(mktemp -d /tmp/vcd-wayland-files.XXXXXX)
ok=
trap '[ -n "$ok" ] || rm -rf "$stage"' EXIT
mkdir -p "$stage/tests/wayland" "$stage/tests/e2e" "$stage/disc"
cp "$here"/*.sh "$stage/tests/wayland/"
cp "$here/../e2e/lib.sh" "$here/../e2e/window_events.py" "$here/../e2e/session-bus-daemon.sh" "$stage/tests/e2e/"
while [ $# -gt 0 ]; do
  if [ "$1" = --disc ]; then
    disc=$2
    shift 2
    cp "$disc" "$stage/disc/"
    while IFS= read -r name; do
      case $name in */*|..|.|"") echo "FAIL: the disc's sheet names a file outside its folder: $name" >&2; exit 1 ;; esac
      cp "$(dirname "$disc")/$name" "$stage/disc/"
    done < <(tr -d '\r' <"$disc" | sed -n -E 's/^[[:space:]]*FILE[[:space:]]+"?([^"]*[^" ])"?[[:space:]]+[A-Z0-9]+[[:space:]]*$/\1/p')
  else
    cp "$1" "$stage/"
    # The player's launcher loads the player from the library beside it.
    library=$(dirname "$1")/lib$(basename "$1").so
    [ ! -e "$library" ] || cp "$library" "$stage/"
    shift
  fi
done
chmod -R a+rX "$stage"
chmod 755 "$stage"
ok=1
echo "$stage"
