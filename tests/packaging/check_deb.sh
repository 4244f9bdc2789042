#!/bin/sh
# Builds the Debian package and checks its control fields and contents. The
# package is kept in <out dir> for the lintian check.
# Usage: check_deb.sh <cpack> <build dir> <source dir> <version> <out dir>
#        <launcher dir> <program dir> <data dir> <copyright>, as for
#        check_install.sh
set -eu

cpack="$1"
build="$2"
source="$3"
version="$4"
out="$5"
launcher_dir="$6"
private_dir="$7"
data_dir="$8"
copyright="$9"
here="$(cd "$(dirname "$0")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
# shellcheck source=tests/packaging/tree_checks.sh
. "$here/tree_checks.sh"

rm -rf "$out"
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
arch="$(dpkg --print-architecture)"
deb="$scratch/out/zanrai_${version}_$arch.deb"
if [ ! -f "$deb" ]; then
    echo "FAIL: no $(basename "$deb"); cpack made: $(ls "$scratch/out")" >&2
    exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zanrai ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"

# Dependencies in the control file, one alternative group per line.
field Depends | tr ',' '\n' | sed 's/^ *//; s/ *$//' > "$scratch/depends"
grep -qx 'fonts-ipafont-gothic' "$scratch/depends" ||
    fail "Depends lacks the label font: $(field Depends)"
grep -qx 'timgm6mb-soundfont | sf2-soundfont-gm' "$scratch/depends" ||
    fail "Depends lacks the game's General MIDI soundfont: $(field Depends)"
# Opened by name at the first beep on Wayland, so shlibdeps cannot see it.
grep -qx 'libcanberra0' "$scratch/depends" || fail "Depends lacks libcanberra0: $(field Depends)"
# Without Qt's Wayland platform the game still runs, through XWayland; without
# the sound theme the Wayland beep is silent.
{ [ "$(field Recommends)" = "qt6-wayland, sound-theme-freedesktop" ] && ! grep -q wayland "$scratch/depends"; } ||
    fail "Recommends: $(field Recommends); Depends: $(field Depends)"
# Every library the program and its sound back end link must come with its
# package, which is what dpkg-shlibdeps is there for.
binaries="$build/bin/zanrai $build/bin/zanrai_sound_backend.so"
# shellcheck disable=SC2086
ldd $binaries | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' > "$scratch/libraries"
# shellcheck disable=SC2086
for library in $(readelf -d $binaries | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
    path="$(grep "/$library\$" "$scratch/libraries" | head -n 1)"
    # With merged /usr the loader's path and the one dpkg recorded may differ.
    owner=""
    for candidate in "$path" "/usr$path" "$(readlink -f "$path")"; do
        owner="$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1)"
        [ -z "$owner" ] || break
    done
    if [ -z "$owner" ]; then
        fail "cannot tell which package holds $library ($path)"
    elif ! tr '|' '\n' < "$scratch/depends" | sed 's/^ *//; s/[ (].*//' | grep -qxF "$owner"; then
        fail "Depends lacks $owner, which holds $library: $(field Depends)"
    fi
done

# Files must belong to root in the archive, whoever built it.
owners="$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)"
[ "$owners" = root/root ] || fail "archive owners: $owners"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
check_file_list "$root" /usr "$here/expected-install.txt" "$launcher_dir" deb
check_launcher "$root" /usr "$source/packaging/zanrai.sh" "$launcher_dir" "$version"
check_program "$root" /usr
check_ids "$root" /usr "$source" "$launcher_dir"
check_release "$root" /usr "$version"
# A NEWS.md entry that does not match the project's version would give the
# package a changelog for another release.
changelog="$root/usr/share/doc/zanrai/changelog.gz"
[ ! -f "$changelog" ] || [ "$(zcat "$changelog" | dpkg-parsechangelog -l - -S Version)" = "$version" ] ||
    fail "the newest changelog entry is not $version"
for binary in zanrai zanrai_sound_backend.so; do
    file -b "$root/usr/$private_dir/$binary" | grep -q ', stripped' ||
        fail "the packaged $binary still carries its debugging symbols"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
mkdir -p "$out"
mv "$deb" "$out/"
echo "package: all checks passed ($(basename "$deb"), $(wc -c < "$out/$(basename "$deb")") bytes)"
