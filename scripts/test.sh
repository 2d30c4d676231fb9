#!/usr/bin/env bash
# Sets everything up, builds the player and its test media, and runs every test; then runs the
# tests once more in a sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default -j2 "$@"
# The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/),
# leaving out the end-to-end and window-manager runs under Xvfb. VCD_TEST_SKIP_SANITIZERS=1 stops
# after the first run (a quick look on another release; CI always runs both).
[ "${VCD_TEST_SKIP_SANITIZERS:-}" = 1 ] && exit 0
cmake --preset dev-asan
cmake --build --preset dev-asan
ctest --preset dev-asan -j2 "$@"
