#!/bin/sh
# Installs what the game needs, builds the game alone, and starts it from the
# build tree the way the installed launcher does: in the player's data folder,
# with rank.dat seeded on the first run.
#
# build/ is shared with the test suite: a first play.sh configures it without
# tests or benchmarks (preset "game"), which the default preset later adds to
# the same objects; a tree the tests already built is reused as it is, and
# only the game is brought up to date in it.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh game
if [ ! -f build/CMakeCache.txt ]; then
    cmake --preset game
fi
cmake --build --preset game
exec ./build/packaging/zanrai-launcher "$@"
