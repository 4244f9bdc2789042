#!/bin/sh
# Installs what is missing, then configures and builds with the given preset
# (default: "default").
set -eu
cd "$(dirname "$0")/.."
preset="${1:-default}"
./scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
