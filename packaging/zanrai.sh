#!/bin/sh
# Starts Zanrai in the player's own data folder, where its best score lives.
# The first run seeds rank.dat from the shipped template; an existing one is
# never touched.
set -eu

# Set when installed; ZANRAI_LIBEXEC_DIR lets the build tree use this script.
libexec_dir="${ZANRAI_LIBEXEC_DIR:-@ZANRAI_LIBEXEC_DIR@}"

data_home="${XDG_DATA_HOME:-}"
case "$data_home" in
    /*) ;;
    *) data_home="$HOME/.local/share" ;;  # empty or relative: unset
esac
folder="$data_home/zanrai"

mkdir -p "$folder"
if [ ! -e "$folder/rank.dat" ]; then
    # Copied under a name of its own first: an interrupted copy must never
    # become a truncated rank.dat, and two launches at once must not share
    # the temporary file.
    seed="$folder/rank.dat.$$"
    cp "$libexec_dir/rank.dat" "$seed"
    mv -f "$seed" "$folder/rank.dat"
fi
cd "$folder"
exec "$libexec_dir/zanrai" "$@"
