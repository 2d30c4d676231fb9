#!/bin/sh
# Each probe is a source compiled as a floor's own sources are (the floor's library and the
# floors it links), including one header from a floor above. Every probe must fail to build, and
# for the reason wanted: the header is not found. Arguments: the build folder, then pairs of
# probe target and header.
set -u
build=$1
shift
failed=0
while [ $# -ge 2 ]; do
  target=$1 header=$2
  shift 2
  if out=$(cmake --build "$build" --target "$target" 2>&1); then
    echo "FAIL: $target built: $header is reachable from its floor"
    failed=1
  elif printf '%s\n' "$out" | grep -q "fatal error: $header: No such file or directory"; then
    echo "ok: $target: $header: No such file or directory"
  else
    echo "FAIL: $target did not build, but not for want of $header:"
    printf '%s\n' "$out" | tail -20
    failed=1
  fi
done
exit $failed
