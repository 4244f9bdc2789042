#!/bin/sh
# Installs the Debian 12 packages the project needs, by group:
#   install-deps.sh game   what building and running the game takes
#   install-deps.sh all    that, plus the tests, fuzzers, benchmarks and
#                          packaging checks (the default)
# Idempotent and non-interactive: packages already present are skipped, so a
# machine that has everything makes no network call at all.
set -eu

GAME="
build-essential cmake ninja-build pkg-config python3
qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev libfontconfig-dev qt6-wayland
libsdl2-dev libfluidsynth-dev libasound2-dev
libcanberra-dev libcanberra0 sound-theme-freedesktop
timgm6mb-soundfont fonts-ipafont-gothic
"
TEST="
libgtest-dev libgmock-dev libbenchmark-dev libebur128-dev
clang libclang-rt-14-dev clang-format clang-tidy
xvfb xauth xdotool imagemagick x11-utils
desktop-file-utils appstream dpkg-dev file lintian debhelper
openbox xfwm4 dbus-daemon weston
pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber
shellcheck
"

case "${1:-all}" in
    game) PACKAGES="$GAME" ;;
    all) PACKAGES="$GAME $TEST" ;;
    *) echo "usage: $0 [game|all]" >&2; exit 2 ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
