#!/bin/sh
# Installs what is missing, builds, and starts the game from the build tree
# the way the installed launcher does: in the player's data folder, with
# rank.dat seeded on the first run.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh default
exec ./build/packaging/zanrai-launcher "$@"
