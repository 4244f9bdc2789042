#!/bin/sh
# Runs lintian on the package in <folder> as a distribution's reviewer would
# (pedantic, info tags shown) and fails on every tag that is neither fixed nor
# overridden with its reason (see packaging/CMakeLists.txt). "unhardened" lets
# the two hardening tags pass for a build not configured with Debian's flags
# (scripts/package.sh configures with them). Exits 77 without lintian.
# Usage: check-lintian.sh <folder> [hardened|unhardened]
set -eu

if ! command -v lintian > /dev/null; then
    echo "lintian is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi
set -- "$1" "${2:-hardened}"
deb="$(find "$1" -maxdepth 1 -name 'zanrai_*.deb' | head -n 1)"
[ -n "$deb" ] || { echo "FAIL: no zanrai_*.deb in $1" >&2; exit 1; }

suppress=""
[ "$2" = hardened ] || suppress="--suppress-tags hardening-no-bindnow,hardening-no-fortify-functions"
# shellcheck disable=SC2086
output="$(lintian --pedantic --display-info --display-experimental --tag-display-limit 0 \
    $suppress "$deb" 2>&1)" || status=$?
printf '%s\n' "$output"
# 1 only says there were errors, which the tags below show.
if [ "${status:-0}" -gt 1 ]; then
    echo "FAIL: lintian could not check $(basename "$deb") (status $status)" >&2
    exit 1
fi
if printf '%s\n' "$output" | grep -Eq '^[EWIPX]: '; then
    echo "FAIL: lintian has tags for $(basename "$deb")" >&2
    exit 1
fi
echo "lintian: no tags for $(basename "$deb")"
