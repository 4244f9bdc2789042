#!/bin/sh
# Starts Zanrai in the player's own data folder, where its best score lives.
# The first run seeds rank.dat from the shipped template; an existing one is
# never touched. The program itself takes no command line: the launcher
# answers --help and --version and refuses anything else.
set -eu

# Filled in when installed (and for the build tree); ZANRAI_LIBEXEC_DIR and
# ZANRAI_DATA_DIR point the launcher at another program folder and another
# folder with the rank.dat template, as the tests do with a stand-in.
libexec_dir="${ZANRAI_LIBEXEC_DIR:-@ZANRAI_LIBEXEC_DIR@}"
data_dir="${ZANRAI_DATA_DIR:-@ZANRAI_DATA_DIR@}"
version="@ZANRAI_VERSION@"

data_home="${XDG_DATA_HOME:-}"
case "$data_home" in
    /*) ;;
    *) data_home="$HOME/.local/share" ;;  # empty or relative: unset
esac
folder="$data_home/zanrai"

# One line on stderr, whatever the tool that failed had to say.
die() {
    printf 'zanrai: %s\n' "$1" >&2
    exit "${2:-1}"
}

# The last part of a tool's message is its cause ("No space left on device").
cause() {
    message="$(printf '%s' "$1" | tail -n 1)"
    printf '%s' "${message##*: }"
}

# An argument is quoted without its control characters, so the refusal stays
# one line whatever was typed.
refuse() {
    die "$1 '$(printf '%s' "$2" | tr -d '\000-\037\177')' (try 'zanrai --help')" 2
}

if [ "$#" -gt 1 ]; then
    refuse "unexpected argument" "$2"
elif [ "$#" -eq 1 ]; then
    case "$1" in
        -h|--help)
            cat <<EOF
Usage: zanrai [--help | --version]
Zanrai, a reflex game set in Japan's Edo period: click the intruders to cut
them down before they cross the red line.
Your best score is kept in $folder/rank.dat.
How to play, files and settings: man 6 zanrai
EOF
            exit 0
            ;;
        --version)
            printf 'Zanrai %s\n' "$version"
            exit 0
            ;;
        *)
            refuse "unknown argument" "$1"
            ;;
    esac
fi

# Qt would abort with a long story and a core dump; say it in one line before
# anything is created.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    die "no graphical display (DISPLAY and WAYLAND_DISPLAY are unset or unreachable)"
fi

if ! output="$(mkdir -p "$folder" 2>&1)"; then
    die "cannot create $folder: $(cause "$output")"
fi
if [ ! -e "$folder/rank.dat" ]; then
    [ -f "$data_dir/rank.dat" ] ||
        die "cannot seed $folder/rank.dat: $data_dir/rank.dat is missing (reinstall zanrai)"
    # Copied under a name of its own first: an interrupted copy must never
    # become a truncated rank.dat, and two launches at once must not share
    # the temporary file. A copy that fails (a full disk) takes its
    # temporary file with it.
    seed="$folder/rank.dat.$$"
    trap 'rm -f "$seed"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    if ! output="$(cp "$data_dir/rank.dat" "$seed" 2>&1)" ||
        ! output="$(mv -f "$seed" "$folder/rank.dat" 2>&1)"; then
        die "cannot create $folder/rank.dat: $(cause "$output")"
    fi
    trap - EXIT INT TERM
fi
cd "$folder"
exec "$libexec_dir/zanrai"
