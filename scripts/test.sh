#!/bin/sh
# Installs what is missing, builds, and runs every test: the default build
# first, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
#
# The suite runs with HOME set to an empty folder of its own and fails if
# anything is left in it: every test that starts a program must give it a
# home and XDG folders of its own, never the user's.
set -eu
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
run_tests() {
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$home" \
        ctest --preset "$1" -j2
    if [ -n "$(ls -A "$home")" ]; then
        echo "test.sh: the tests left files in the home they ran with:" >&2
        (cd "$home" && find . -mindepth 1) >&2
        exit 1
    fi
}

./scripts/build.sh default
run_tests default

if [ "${ZANRAI_SKIP_SANITIZERS:-0}" != 1 ]; then
    ./scripts/build.sh asan
    run_tests asan
fi
