#!/bin/sh
# Builds the game as a Debian packager would, through debhelper 13
# (dh $@ --buildsystem=cmake, the tests run by dh_auto_test), in a copy of
# the sources with a debian/ folder made for the occasion, and checks the
# package: lintian at 0 tags, no data file executable. The project keeps no
# debian/ folder of its own; packaging/debian-notes.md says what a packager
# puts in one, and this script is that, tried.
#
# Usage: debhelper-check.sh [games|default]...   (both when none is named)
#   games    Debian's layout for a game, the data in /usr/share/games/zanrai:
#            built with the tests, which dh_auto_test runs (but for those
#            the default build already ran as they would run here, below)
#   default  the data beside the program in /usr/libexec/zanrai, where they
#            are by default: built with DEB_BUILD_OPTIONS=nocheck, as a
#            distribution skips its tests, and checked where it differs from
#            the other layout: what cmake --install puts where, the package
#            and lintian
# Both put the launcher in /usr/games: lintian rejects a package in the
# games section with nothing there.
# Each layout is built from nothing in build-debhelper/zanrai-<version>,
# removed when all pass, and kept, with the build log, at the first failure.
# Needs debhelper and dpkg-dev (scripts/install-deps.sh all).
set -eu
cd "$(dirname "$0")/.."
source="$(pwd)"
[ "$#" -gt 0 ] || set -- games default
for layout in "$@"; do
    case "$layout" in
        default|games) ;;
        *) echo "usage: $0 [games|default]..." >&2; exit 2 ;;
    esac
done
command -v dh > /dev/null || { echo "debhelper is not installed (scripts/install-deps.sh)" >&2; exit 1; }

version="$(sed -n 's/^project(zanrai VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)"
maintainer="Zanrai developers <dev@zanrai.invalid>"
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=2}"
# debhelper gives every build step a home of its own; a developer who sends
# the compiler through ccache (CMAKE_CXX_COMPILER_LAUNCHER=ccache in the
# environment) keeps the cache the other builds fill.
if command -v ccache > /dev/null && [ -z "${CCACHE_DIR:-}" ]; then
    CCACHE_DIR="$(ccache -k cache_dir)"
    export CCACHE_DIR
fi
# The package's files are dated from the sources, as package.sh does.
SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || stat -c %Y NEWS.md)}"
export SOURCE_DATE_EPOCH

# make_debian <folder> <layout>: the debian/ folder a packager writes.
make_debian() {
    debian="$1/debian"
    mkdir -p "$debian/source"
    echo "3.0 (native)" > "$debian/source/format"
    python3 packaging/release_notes.py debian NEWS.md "$debian/changelog" zanrai "$maintainer"
    cat > "$debian/control" <<EOF
Source: zanrai
Section: games
Priority: optional
Maintainer: $maintainer
Build-Depends: debhelper-compat (= 13), cmake, pkg-config, python3,
 qt6-base-dev, qt6-base-dev-tools, libgl-dev, libxcb1-dev, libfontconfig-dev,
 libsdl2-dev, libfluidsynth-dev, libasound2-dev, libcanberra-dev,
 libgtest-dev <!nocheck>, libgmock-dev <!nocheck>, libebur128-dev <!nocheck>,
 fonts-ipafont-gothic <!nocheck>, timgm6mb-soundfont <!nocheck>,
 desktop-file-utils <!nocheck>, appstream <!nocheck>, file <!nocheck>
Standards-Version: 4.6.2
Homepage: https://github.com/zanrai/zanrai
Rules-Requires-Root: no

Package: zanrai
Architecture: any
Depends: \${shlibs:Depends}, \${misc:Depends}, fonts-ipafont-gothic,
 timgm6mb-soundfont | sf2-soundfont-gm, libcanberra0
Recommends: qt6-wayland, sound-theme-freedesktop
Description: reflex game set in Japan's Edo period
 Five intruders sink toward a red line; click them to cut them down before
 they cross it. A bonus character and a hidden samurai are worth extra
 points, the game speeds up as your score climbs, and a best score above
 150 unlocks a special mode.
EOF
    {
        echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
        echo "Upstream-Name: zanrai"
        echo
        echo "Files: *"
        echo "Copyright: 2026 Zanrai developers"
        echo "License: Expat"
        echo
        echo "Files: packaging/io.github.zanrai.Zanrai.metainfo.xml"
        echo "Copyright: 2026 Zanrai developers"
        echo "License: CC-BY-4.0"
        echo " The AppStream metadata is released under the Creative Commons"
        echo " Attribution 4.0 International License."
        echo
        echo "License: Expat"
        sed -n '/^Permission is hereby granted/,/^SOFTWARE\.$/p' packaging/COPYING |
            sed 's/^$/./; s/^/ /'
    } > "$debian/copyright"
    configure="-DZANRAI_BUILD_BENCHMARKS=OFF -DZANRAI_INSTALL_COPYRIGHT=OFF"
    configure="$configure -DZANRAI_LAUNCHER_DESTINATION=games"
    [ "$2" = default ] || configure="$configure -DZANRAI_DATA_DESTINATION=share/games/zanrai"
    {
        cat <<'RULES'
#!/usr/bin/make -f
export DEB_BUILD_MAINT_OPTIONS = hardening=+all

RULES
        echo "configure = $configure"
        cat <<'RULES'
# With nocheck the tests are neither run nor built.
ifneq (,$(filter nocheck,$(DEB_BUILD_OPTIONS)))
configure += -DBUILD_TESTING=OFF
endif

%:
	dh $@ --buildsystem=cmake

override_dh_auto_configure:
	dh_auto_configure -- $(configure)

# CI runs these in its default build just as they would run here: the
# end-to-end tests (Xvfb and xdotool are no Build-Depends, so a
# distribution's build leaves them out anyway), the fuzzers (clang builds
# the same programs whatever the flags) and the soak.
override_dh_auto_test:
	dh_auto_test -- ARGS+="--label-exclude 'e2e|fuzz|soak'"
RULES
        if [ "$2" = default ]; then
            # dh_fixperms makes every file in /usr/libexec executable; the
            # data files beside the program are not programs.
            printf '\noverride_dh_fixperms:\n\tdh_fixperms -X.dat\n'
        fi
    } > "$debian/rules"
    chmod +x "$debian/rules"
}

work="$source/build-debhelper"
tree="$work/zanrai-$version"
kept() {
    echo "debhelper-check: $layout: $1; the log and the tree are kept in $work" >&2
    exit 1
}
for layout in "$@"; do
    rm -rf "$work"
    mkdir -p "$tree"
    # The sources as they are now, committed or not; no build tree.
    git ls-files -z --cached --others --exclude-standard | (cd "$source" && xargs -0 cp --parents -t "$tree")
    make_debian "$tree" "$layout"
    # The games layout runs the tests; the default one is the same build
    # with the data elsewhere, so it checks that difference instead.
    options="$DEB_BUILD_OPTIONS" profiles="${DEB_BUILD_PROFILES:-}"
    if [ "$layout" = default ]; then
        options="nocheck $options" profiles="nocheck $profiles"
    fi
    echo "debhelper-check: $layout layout in $tree (DEB_BUILD_OPTIONS=$options)"
    started="$(date +%s)"
    if ! (cd "$tree" && DEB_BUILD_OPTIONS="$options" DEB_BUILD_PROFILES="$profiles" \
            dpkg-buildpackage -us -uc -b) > "$work/build.log" 2>&1; then
        tail -n 60 "$work/build.log" >&2
        kept "the build FAILED"
    fi
    seconds=$(($(date +%s) - started))
    failures=0
    if [ "$layout" = games ]; then
        grep -E '^[0-9]+% tests passed|tests failed out of' "$work/build.log" || true
        grep -q '^100% tests passed' "$work/build.log" || {
            echo "FAIL: $layout: dh_auto_test did not report every test passed" >&2; failures=1; }
        data_dir=share/games/zanrai
    else
        data_dir=libexec/zanrai
        # What the packaging tests check in a tree that runs them: every file
        # cmake --install puts, under two prefixes, as this layout wants it.
        sh tests/packaging/check_install.sh cmake "$tree/obj-$(dpkg-architecture -qDEB_HOST_GNU_TYPE)" \
            "$tree" "$version" games libexec/zanrai "$data_dir" OFF || failures=1
    fi
    deb="$work/zanrai_${version}_$(dpkg --print-architecture).deb"
    # Data and text files: nothing outside the program's folder, the launcher
    # and the sound module may be executable; the data files are where the
    # layout puts them.
    executable="$(dpkg-deb -c "$deb" | awk '$1 ~ /^-..x/ { print $6 }' |
        grep -Ev '^\./usr/games/zanrai$|^\./usr/libexec/zanrai/zanrai(_sound_backend\.so)?$' || true)"
    [ -z "$executable" ] || { echo "FAIL: $layout: executable files: $executable" >&2; failures=1; }
    dpkg-deb -c "$deb" | awk '/\.dat$/ { print "  " $1, $6 }'
    [ "$(dpkg-deb -c "$deb" | grep -c " \./usr/$data_dir/[a-z0-9]*\.dat$")" -eq 5 ] || {
        echo "FAIL: $layout: the five data files are not in /usr/$data_dir" >&2; failures=1; }
    sh scripts/check-lintian.sh "$work" hardened || failures=1
    [ "$failures" -eq 0 ] || kept "FAILED"
    echo "debhelper-check: $layout: built, checked and clean in $seconds s"
done
# ZANRAI_DEBHELPER_KEEP=1 keeps the last layout's tree and package, to try.
if [ "${ZANRAI_DEBHELPER_KEEP:-0}" = 1 ]; then
    echo "debhelper-check: kept in $work"
else
    rm -rf "$work"
fi
