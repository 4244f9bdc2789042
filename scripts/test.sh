#!/bin/sh
# Installs what is missing, builds, and runs every test: the default build
# first, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

./scripts/build.sh default
ctest --preset default -j2

if [ "${ZANRAI_SKIP_SANITIZERS:-0}" != 1 ]; then
    ./scripts/build.sh asan
    ctest --preset asan -j2
fi
