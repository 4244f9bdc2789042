#!/bin/sh
# Installs the build tree into throw-away DESTDIRs and checks exactly what
# lands there, in the layout the build was configured with: the folders under
# the prefix of the launcher, the program and its data, and ON or OFF for the
# licence.
# Usage: check_install.sh <cmake> <build dir> <source dir> <version>
#        <launcher dir> <program dir> <data dir> <copyright>
set -eu

cmake="$1"
build="$2"
source="$3"
version="$4"
launcher_dir="$5"
private_dir="$6"
data_dir="$7"
copyright="$8"
here="$(cd "$(dirname "$0")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
# shellcheck source=tests/packaging/tree_checks.sh
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
    check_file_list "$root" /usr "$here/expected-install.txt" "$launcher_dir" plain
    check_launcher "$root" /usr "$source/packaging/zanrai.sh" "$launcher_dir" "$version"
    check_program "$root" /usr
    check_ids "$root" /usr "$source" "$launcher_dir"
    check_release "$root" /usr "$version"
    for name in bgm.dat bgm2.dat kiru.dat hajiku.dat rank.dat; do
        cmp -s "$build/bin/$name" "$root/usr/$data_dir/$name" ||
            fail "$data_dir/$name differs from the build tree's"
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
    check_launcher "$other" /opt/zanrai-check "$source/packaging/zanrai.sh" "$launcher_dir" "$version"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures install check(s) failed" >&2
    exit 1
fi
echo "install: all checks passed"
