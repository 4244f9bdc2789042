#!/bin/sh
# Installs the build tree into throw-away DESTDIRs and checks exactly what
# lands there.
# Usage: check_install.sh <cmake> <build dir> <source dir> <version>
set -eu

cmake="$1"
build="$2"
source="$3"
version="$4"
here="$(cd "$(dirname "$0")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
. "$here/tree_checks.sh"

install_to() {  # <destdir> <prefix>
    if ! DESTDIR="$1" "$cmake" --install "$build" --prefix "$2" > "$scratch/install.log" 2>&1; then
        cat "$scratch/install.log" >&2
        fail "cmake --install --prefix $2 failed"
        return 1
    fi
}

root="$scratch/root"
if install_to "$root" /usr; then
    check_file_list "$root" /usr "$here/expected-install.txt" bin plain
    check_launcher "$root" /usr "$source/packaging/zanrai.sh" bin "$version"
    check_program "$root" /usr
    check_ids "$root" /usr "$source" bin
    check_release "$root" /usr "$version"
    for name in bgm.dat bgm2.dat kiru.dat hajiku.dat rank.dat; do
        cmp -s "$build/bin/$name" "$root/usr/libexec/zanrai/$name" ||
            fail "libexec/zanrai/$name differs from the build tree's"
    done
    # The metainfo, desktop entry and icons checked together, as a software
    # centre sees them.
    if ! appstreamcli validate-tree --no-net "$root" > "$scratch/tree.log" 2>&1 ||
        grep -Eq '^[EW]: ' "$scratch/tree.log"; then
        cat "$scratch/tree.log" >&2
        fail "appstreamcli validate-tree"
    fi
fi

# The prefix chosen at install time, not the configured one, must reach the
# launcher.
other="$scratch/other"
if install_to "$other" /opt/zanrai-check; then
    check_launcher "$other" /opt/zanrai-check "$source/packaging/zanrai.sh" bin "$version"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures install check(s) failed" >&2
    exit 1
fi
echo "install: all checks passed"
