#!/bin/sh
# Installs the Debian 12 packages the game needs to build, run and test.
# Idempotent and non-interactive: packages already present are skipped, so a
# machine that has everything makes no network call at all.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
libsdl2-dev libsdl2-mixer-dev libfluidsynth-dev qt6-wayland
timgm6mb-soundfont fonts-ipafont-gothic
libgtest-dev libgmock-dev libbenchmark-dev libebur128-dev
clang libclang-rt-14-dev
xvfb xauth xdotool imagemagick x11-utils python3
desktop-file-utils appstream dpkg-dev file lintian
openbox xfwm4 dbus-daemon weston
"

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
