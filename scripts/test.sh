#!/usr/bin/env bash
# Sets everything up, builds the player and its test media, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default -j2 "$@"
