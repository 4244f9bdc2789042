#!/bin/bash
# The game's sound through a desktop's sound server, measured at the server:
# PulseAudio with a null sink, and PipeWire with its PulseAudio service where
# installed, each started here in a runtime folder of its own. For each
# server, load (idle, then two busy loops beside the game) and stream
# setting, one stretch of For Hi Spec play under Xvfb with a robot clicking
# a target every CLICK_GAP seconds, recorded from the sink's monitor. Prints
# per stretch: dropouts (runs of exact silence of 32 frames or more inside
# the music), the stream's buffer and sink latency as the server reports
# them, click to cut at the server (median, p90), and the load average.
# The settings take turns within each load, so they meet the same machine.
#
#   bench/measure_stream.sh [BUILD_DIR]     (default: build)
#
# Builds nothing. Needs Xvfb, xdotool, python3, pactl and parec; pulseaudio
# and, for the second server, pipewire, pipewire-pulse and wireplumber.
# Environment knobs:
#   PLAY_SECONDS=40    length of each stretch
#   CLICK_GAP=0.25     seconds between the robot's clicks
#   SERVERS="pulseaudio pipewire"
#   LOADS="idle busy"
#   BASELINE=DIR       an older build's bin folder, measured beside this one
#   CHOICES="PULSE_LATENCY_MSEC=30 ..."   other stream settings to try, each
#                      an environment assignment for this build
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build}" && pwd)
PLAY_SECONDS=${PLAY_SECONDS:-40}
CLICK_GAP=${CLICK_GAP:-0.25}
SERVERS=${SERVERS:-pulseaudio pipewire}
LOADS=${LOADS:-idle busy}
CHOICES=${CHOICES:-}
[ -x "$build/bin/zanrai" ] || { echo "measure_stream: $build/bin/zanrai missing" >&2; exit 2; }
for t in Xvfb xdotool python3 pactl parec pulseaudio; do
    command -v "$t" >/dev/null || { echo "measure_stream: $t not found" >&2; exit 2; }
done

tmp=$(mktemp -d)
pids=()
server_pids=()
stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
stop_server() {
    for p in "${server_pids[@]}"; do stop "$p"; done
    server_pids=()
}
cleanup() {
    stop_server
    for p in "${pids[@]}"; do stop "$p"; done
    if [ -n "${KEEP_TMP:-}" ]; then echo "measure_stream: kept $tmp" >&2; else rm -rf "$tmp"; fi
}
trap cleanup EXIT

# Everything started here has its own home, XDG folders and runtime folder:
# nothing reaches the user's own sound server or settings.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
export XDG_CACHE_HOME=$tmp/home/.cache XDG_STATE_HOME=$tmp/home/.local/state
export XDG_RUNTIME_DIR=$tmp/runtime PULSE_SERVER=unix:$tmp/runtime/pulse/native
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_LOGGING_RULES SDL_AUDIODRIVER PULSE_LATENCY_MSEC PIPEWIRE_LATENCY
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$tmp/work"
mkdir -m 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$tmp/display")
export DISPLAY

server_up() {
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "measure_stream: the $1 server did not come up" >&2
    return 1
}

# A null sink plays in real time by the system clock, as a sound card would,
# and its monitor gives back exactly what was mixed.
start_server() {
    case $1 in
    pulseaudio)
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
            -L module-native-protocol-unix -L "module-null-sink sink_name=zanrai_null" \
            >"$tmp/server.log" 2>&1 &
        server_pids+=($!)
        server_up "$1"
        ;;
    pipewire)
        for p in pipewire wireplumber pipewire-pulse dbus-daemon; do
            command -v "$p" >/dev/null || { echo "pipewire: $p not installed, skipped"; return 1; }
        done
        # WirePlumber wants a session bus: a private one.
        dbus-daemon --session --nofork --print-address=3 3>"$tmp/bus" >/dev/null 2>&1 &
        server_pids+=($!)
        for _ in $(seq 100); do [ -s "$tmp/bus" ] && break; sleep 0.05; done
        DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
        export DBUS_SESSION_BUS_ADDRESS
        pipewire >"$tmp/server.log" 2>&1 &
        server_pids+=($!)
        sleep 0.5
        wireplumber >>"$tmp/server.log" 2>&1 &
        server_pids+=($!)
        pipewire-pulse >>"$tmp/server.log" 2>&1 &
        server_pids+=($!)
        server_up "$1"
        pactl load-module module-null-sink sink_name=zanrai_null >/dev/null
        sleep 0.5
        ;;
    esac
    pactl set-default-sink zanrai_null
    echo "== $1: $(pactl info | awk -F': ' '/^Server Name/ { print $2 }')"
}

# One stretch: label, the game's bin folder, then environment assignments.
measure() {
    local label=$1 bin=$2
    shift 2
    local result
    result=$(cd "$tmp/work" && env "$@" python3 "$here/stream_play.py" "$bin" "$PLAY_SECONDS" "$CLICK_GAP") ||
        result="failed (status $?)"
    printf '  %-6s %-28s %s  load %s\n' "$load" "$label" "$result" "$(cut -d' ' -f1-3 /proc/loadavg)"
}

echo "== stream through a sound server: ${PLAY_SECONDS} s of For Hi Spec play each, a click every ${CLICK_GAP} s"
echo "   load at start: $(uptime)"
for server in $SERVERS; do
    start_server "$server" || continue
    for load in $LOADS; do
        busy=()
        if [ "$load" = busy ]; then
            for _ in 1 2; do sh -c 'while :; do :; done' & busy+=($!); pids+=($!); done
        fi
        [ -n "${BASELINE:-}" ] && measure "before" "$BASELINE"
        measure "this build" "$build/bin"
        for choice in $CHOICES; do
            measure "this build, $choice" "$build/bin" "$choice"
        done
        for b in "${busy[@]}"; do stop "$b"; done
    done
    stop_server
    unset DBUS_SESSION_BUS_ADDRESS
    rm -rf "${XDG_RUNTIME_DIR:?}"/*
done
echo "   load at end: $(uptime)"
echo "(dropouts: runs of >= 32 frames of exact silence inside the music; buffer and sink"
echo " latency: pactl list sink-inputs, medians; click->cut: button press to the first frame"
echo " of the cut rendered by the null sink; to the ear add the sink latency of a real device)"
