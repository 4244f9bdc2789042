#!/bin/bash
# Measures the game sitting idle under Xvfb, the way a player leaves it:
# after start-up, and again after a game has ended by itself. For each
# stretch it prints the CPU used by all threads (from schedstat), the
# wakeups (context switches, voluntary and not, summed over the threads),
# the threads alive, and whether an SDL audio thread is there (it exists
# only while the audio device is open). The minimal Qt window is measured
# the same way for comparison.
#
#   bench/measure_idle.sh [BUILD_DIR]     (IDLE_SECONDS=10)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$(dirname "$here")/build}" && pwd)
zanrai=$build/bin/zanrai
minimal=$build/bench/minimal_window
IDLE_SECONDS=${IDLE_SECONDS:-10}
for f in "$zanrai" "$minimal"; do [ -x "$f" ] || { echo "measure_idle: $f missing" >&2; exit 2; }; done

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$tmp/runtime
unset WAYLAND_DISPLAY QT_LOGGING_RULES
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ -z "${SDL_AUDIODRIVER:-}" ] && ! grep -q '[0-9]' /proc/asound/cards 2>/dev/null; then
    export SDL_AUDIODRIVER=dummy
fi
mkdir "$tmp/work" && cd "$tmp/work"
# -noreset: a bare Xvfb that resets when its last client leaves refuses
# the next one for a moment.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$tmp/display")
export DISPLAY

# run_ns switches threads: one line per thread of the process.
snapshot() {
    local t
    for t in /proc/"$1"/task/*; do
        printf '%s %s %s %s\n' "${t##*/}" "$(cut -d' ' -f1 "$t/schedstat")" \
            "$(awk '/ctxt_switches/ { s += $2 } END { print s }' "$t/status")" "$(cat "$t/comm")"
    done
}

report() {
    local label=$1 pid=$2
    local s0 s1
    s0=$(snapshot "$pid")
    sleep "$IDLE_SECONDS"
    s1=$(snapshot "$pid")
    awk -v label="$label" -v secs="$IDLE_SECONDS" '
        NR == FNR { run[$1] = $2; sw[$1] = $3; next }
        { name = $4; for (i = 5; i <= NF; i++) name = name " " $i
          d = $2 - ($1 in run ? run[$1] : 0); w = $3 - ($1 in sw ? sw[$1] : 0)
          cpu += d; wake += w; threads++
          if (name ~ /^SDLAudio/) audio = 1
          if (w > 0) busy = busy sprintf(" %s:%d", name, w) }
        END { printf "%-32s CPU %.3f %%  wakeups %.1f /s  threads %d  SDL audio thread %s%s\n",
                     label, 100 * cpu / (secs * 1e9), wake / secs, threads, audio ? "yes" : "no",
                     busy == "" ? "" : "  (switches:" busy ")" }' \
        <(echo "$s0") <(echo "$s1")
}

window_of() {
    for _ in $(seq 200); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
        [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.05
    done
    return 1
}

echo "== idle: $IDLE_SECONDS s stretches, load $(cut -d' ' -f1-3 /proc/loadavg)"
"$minimal" >/dev/null 2>&1 &
m=$!
pids+=("$m")
window_of . >/dev/null
sleep 2
report "minimal window" "$m"
echo "RSS minimal window: $(awk '/^VmRSS:/ { printf "%.1f MiB", $2 / 1024 }' /proc/"$m"/status), peak $(awk '/^VmHWM:/ { printf "%.1f MiB", $2 / 1024 }' /proc/"$m"/status)"
kill "$m"; wait "$m" 2>/dev/null || true

printf '0\r\n' >rank.dat
"$zanrai" 2>"$tmp/zanrai.err" &
z=$!
pids+=("$z")
w=$(window_of '^Zanrai$')
sleep 2
report "zanrai after start-up" "$z"
# No game yet: no soundfont, no audio device.
echo "RSS zanrai idle after start-up: $(awk '/^VmRSS:/ { printf "%.1f MiB", $2 / 1024 }' /proc/"$z"/status)"
# File -> Start; with no input the game is over within seconds.
xdotool mousemove --window "$w" 20 27 click 1
sleep 0.4
xdotool key Down Down Return
sleep 1
cat /proc/"$z"/task/*/comm 2>/dev/null | grep -q '^SDLAudio' \
    && echo "during play: SDL audio thread present" || echo "during play: no SDL audio thread"
sleep 6
xdotool key Return # the game-over box
sleep 1
report "zanrai after a game" "$z"
echo "peak RSS zanrai: $(awk '/^VmHWM:/ { printf "%.1f MiB", $2 / 1024 }' /proc/"$z"/status)"
kill "$z"; wait "$z" 2>/dev/null || true
sed 's/^/zanrai stderr: /' "$tmp/zanrai.err" | grep -v XDG_RUNTIME || true
