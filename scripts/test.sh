#!/bin/sh
# Installs what is missing, builds, and runs every test: the default build
# first, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Both rounds run whatever the first one gave,
# and the end tells both results.
#
# Each round runs with HOME set to an empty folder of its own and fails if
# anything is left in it: every test that starts a program must give it a
# home and XDG folders of its own, never the user's. A home with something
# left in it is kept, and its contents listed, as evidence.
set -u
cd "$(dirname "$0")/.." || exit 1
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# Where the compiler goes through ccache, a test that asks it something
# (dpkg's tools ask gcc for the architecture) would make ccache's cache in
# the test home; it stays where the builds keep it.
if command -v ccache > /dev/null && [ -z "${CCACHE_DIR:-}" ]; then
    CCACHE_DIR="$(ccache -k cache_dir)"
    export CCACHE_DIR
fi

summary=""
failed=0
home=""
trap '[ -z "$home" ] || rm -rf "$home"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

note() {  # <round> <result>
    summary="$summary
  $1: $2"
}

# run_round <preset> <build dir>: builds, tests and checks the home.
run_round() {
    if ! ./scripts/build.sh "$1"; then
        note "$1" "FAILED to build"
        failed=1
        return
    fi
    home="$(mktemp -d "${TMPDIR:-/tmp}/zanrai-test-home.XXXXXX")"
    if env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME \
        HOME="$home" ctest --preset "$1" -j2; then
        tests="tests passed"
    else
        tests="tests FAILED (the log: $2/Testing/Temporary/LastTest.log)"
        failed=1
    fi
    if [ -n "$(ls -A "$home")" ]; then
        echo "test.sh: the $1 round's tests left files in the home they ran with, $home:" >&2
        (cd "$home" && find . -mindepth 1 -exec ls -ld {} +) >&2
        note "$1" "$tests; files LEFT in its home, kept at $home"
        failed=1
    else
        rm -rf "$home"
        note "$1" "$tests; its home left empty"
    fi
    home=""
}

run_round default build
if [ "${ZANRAI_SKIP_SANITIZERS:-0}" != 1 ]; then
    run_round asan build-asan
else
    note asan "skipped (ZANRAI_SKIP_SANITIZERS=1)"
fi

echo "test.sh: both rounds:$summary"
exit "$failed"
