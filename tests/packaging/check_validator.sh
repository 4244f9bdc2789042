#!/bin/sh
# Runs a validator on a file and fails on anything it complains about, not
# only on its exit status: both validators exit 0 on warnings.
# Usage: check_validator.sh desktop|appstream <file>
set -eu

kind="$1"
file="$2"
[ -f "$file" ] || { echo "FAIL: $file does not exist" >&2; exit 1; }

status=0
case "$kind" in
    desktop)
        # Silent when the entry is clean; every line it prints is an error,
        # a warning or a hint.
        output="$(desktop-file-validate "$file" 2>&1)" || status=$?
        complaints="$output"
        ;;
    appstream)
        # Pedantic, as Flathub's review is. Infos and pedantic notes are
        # advice; warnings and errors are not.
        output="$(appstreamcli validate --pedantic --no-net "$file" 2>&1)" || status=$?
        complaints="$(printf '%s\n' "$output" | grep -E '^[EW]: ' || true)"
        if [ -z "$complaints" ] && ! printf '%s\n' "$output" | grep -q 'Validation was successful'; then
            complaints="no success message"
        fi
        ;;
    *)
        echo "usage: $0 desktop|appstream <file>" >&2
        exit 2
        ;;
esac

printf '%s\n' "$output"
if [ "$status" -ne 0 ] || [ -n "$complaints" ]; then
    echo "FAIL: $kind validation of $file (exit status $status)" >&2
    exit 1
fi
