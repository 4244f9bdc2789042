#!/bin/sh
# Installs what is missing, builds, and runs every test: the default build
# first, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Both rounds run whatever the first one gave,
# and the end tells both results.
#
# ZANRAI_SANITIZERS_SKIP_REPEATS=1 (CI sets it) leaves out of the second
# round the tests that prove nothing there the first did not: the fuzzers
# (clang builds the same programs for both rounds), the packaging checks
# (the install rules and the package do not depend on the compiler's flags)
# and the 10,000-game soak (its heap is measured exactly in the default
# build; the same games are played under the sanitizers by the other
# tests). The end-to-end tests stay: only there does the real program meet
# a real X server and compositor under the sanitizers.
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

# run_round <preset> <build dir> [ctest options]: builds, tests and checks
# the home.
run_round() {
    preset="$1"
    tree="$2"
    shift 2
    if ! ./scripts/build.sh "$preset"; then
        note "$preset" "FAILED to build"
        failed=1
        return
    fi
    home="$(mktemp -d "${TMPDIR:-/tmp}/zanrai-test-home.XXXXXX")"
    if env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME \
        HOME="$home" ctest --preset "$preset" -j2 "$@"; then
        tests="tests passed"
    else
        tests="tests FAILED (the log: $tree/Testing/Temporary/LastTest.log)"
        failed=1
    fi
    [ "$#" -eq 0 ] || tests="$tests (ctest $*)"
    if [ -n "$(ls -A "$home")" ]; then
        echo "test.sh: the $preset round's tests left files in the home they ran with, $home:" >&2
        (cd "$home" && find . -mindepth 1 -exec ls -ld {} +) >&2
        note "$preset" "$tests; files LEFT in its home, kept at $home"
        failed=1
    else
        rm -rf "$home"
        note "$preset" "$tests; its home left empty"
    fi
    home=""
}

run_round default build
if [ "${ZANRAI_SKIP_SANITIZERS:-0}" != 1 ]; then
    if [ "${ZANRAI_SANITIZERS_SKIP_REPEATS:-0}" = 1 ]; then
        run_round asan build-asan --label-exclude '^(fuzz|packaging|soak)$'
    else
        run_round asan build-asan
    fi
else
    note asan "skipped (ZANRAI_SKIP_SANITIZERS=1)"
fi

echo "test.sh: both rounds:$summary"
exit "$failed"
