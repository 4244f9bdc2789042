#!/bin/sh
# Installs what is missing, then configures and builds with the given preset
# (default: "default").
set -eu
cd "$(dirname "$0")/.."
preset="${1:-default}"
if [ "$preset" = game ]; then
    ./scripts/install-deps.sh game
else
    ./scripts/install-deps.sh all
fi
cmake --preset "$preset"
cmake --build --preset "$preset"
