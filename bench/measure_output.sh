#!/bin/sh
# The sound output side by side in one run: request-to-sound latency in the
# disk driver's stream, late periods over 60 s of music and cuts with both
# cores kept busy by two ordinary processes, and the audio thread's CPU
# beside fluidsynth alone; each at 256 frames and at the game's 512.
#
#   bench/measure_output.sh BUILD_DIR [SECONDS]
set -eu
build="${1:?usage: measure_output.sh BUILD_DIR [SECONDS]}"
seconds="${2:-60}"
probe="$build/bench/audio_output_probe"
data="$build/bin"
work="$(mktemp -d)"
busy=""
cleanup() {
    for loop in $busy; do kill "$loop" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
export HOME="$work" XDG_RUNTIME_DIR="$work"
echo "== load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
for period in 256 512; do
    echo "== request to sound, ${period}-frame periods, disk driver"
    PERIOD=$period SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" \
        "$probe" --latency 200 "$data" 2>/dev/null
done
for period in 256 512; do
    echo "== audio thread CPU, ${period}-frame periods, dummy driver"
    PERIOD=$period SDL_AUDIODRIVER=dummy "$probe" --cpu 20 "$data" 2>/dev/null
done
sh -c 'while :; do :; done' & busy="$busy $!"
sh -c 'while :; do :; done' & busy="$busy $!"
for period in 256 512; do
    echo "== late periods, ${period}-frame periods, ${seconds} s, both cores busy, disk driver"
    PERIOD=$period SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/late.raw" \
        "$probe" --late "$seconds" "$data" 2>/dev/null
done
echo "== load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
