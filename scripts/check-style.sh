#!/bin/sh
# Checks the style the tools keep, on every C++ file and shell script of the
# project:
#   clang-format: no file the committed .clang-format would change;
#   the scripts:  no finding of shellcheck in any (the *.sh files, .ci/run);
#   clang-tidy:   no finding of the checks in .clang-tidy, on every
#                 translation unit of the default build and the project's
#                 headers they include (run ./scripts/build.sh default
#                 first; it writes build/compile_commands.json).
# Prints what differs or what was found, and fails on any.
#   check-style.sh format   the formatter and shellcheck (a few seconds)
#   check-style.sh          all three
set -eu
cd "$(dirname "$0")/.."

files="$(git ls-files '*.cpp' '*.h')"
status=0
# shellcheck disable=SC2086
if ! clang-format --dry-run -Werror $files; then
    echo "check-style: run clang-format -i on the files above" >&2
    status=1
fi
# Sourced files are followed from the folder of the script that sources them.
# shellcheck disable=SC2046
if ! shellcheck --external-sources $(git ls-files '*.sh' .ci/run); then
    echo "check-style: shellcheck found the above" >&2
    status=1
fi
[ "${1:-all}" = format ] && exit "$status"

if [ ! -f build/compile_commands.json ]; then
    echo "check-style: no build/compile_commands.json; build the default preset first" >&2
    exit 1
fi
# Only the project's own sources: Qt's generated code (moc, rcc) is not ours.
# The fuzz targets are built by clang in a tree of their own.
# run-clang-tidy prints every finding and exits non-zero when one was an
# error; .clang-tidy makes every finding one.
if ! run-clang-tidy -quiet -p build -j 2 \
        '^'"$(pwd)"'/(assets|bench|controls|dialogs|game|highscore|lifetime|packaging|rules|sound|tests)/' \
        > build/clang-tidy.log 2>&1; then
    grep -E 'error:|warning:' build/clang-tidy.log | sort -u >&2 || cat build/clang-tidy.log >&2
    echo "check-style: clang-tidy found the above (the whole output: build/clang-tidy.log)" >&2
    status=1
fi
exit "$status"
