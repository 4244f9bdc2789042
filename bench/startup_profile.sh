#!/bin/bash
# Where a program's main thread spends its time from exec until it asks the X
# server to map its first window: perf samples the main thread (20 kHz, DWARF
# call graphs) and a probe on libxcb's xcb_map_window marks the end. Prints,
# per program, the milliseconds of samples per run by phase, by library the
# time was spent in, and by function (self and with callees).
#
#   bench/startup_profile.sh [RUNS] PROGRAM...     (default 3 runs each)
#
# e.g. bench/startup_profile.sh 3 build/bin/zanrai build/bench/minimal_window
#
# Needs perf (Debian: linux-perf) with the right to probe user code (root, or
# a lowered perf_event_paranoid), Xvfb and python3. perf's own work inflates
# the figures by about half; compare programs with each other, not with
# measure.sh. The runs interleave, after one unsampled warm-up each.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
runs=3
if [[ ${1:-} =~ ^[0-9]+$ ]]; then runs=$1; shift; fi
[ $# -gt 0 ] || { sed -n '2,14p' "$0" >&2; exit 2; }
for t in perf Xvfb python3; do
    command -v "$t" >/dev/null || { echo "startup_profile: $t not found" >&2; exit 2; }
done
programs=()
for p in "$@"; do programs+=("$(realpath "$p")"); done

libxcb=$(ldconfig -p | awk '$1 == "libxcb.so.1" { print $NF; exit }')
added_probe=""
if ! perf probe -l 2>/dev/null | grep -q 'probe_libxcb:xcb_map_window'; then
    perf probe -q -x "$libxcb" xcb_map_window
    added_probe=1
fi

tmp=$(mktemp -d)
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    [ -n "$added_probe" ] && perf probe -q -d probe_libxcb:xcb_map_window
    rm -rf "$tmp"
}
trap cleanup EXIT

# -noreset: a bare Xvfb resets when its last client leaves and refuses the
# next one meanwhile.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$tmp/display")
export DISPLAY QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
[ -n "${SDL_AUDIODRIVER:-}" ] || export SDL_AUDIODRIVER=dummy

# One launch in a fresh working folder with a fresh rank.dat, HOME and XDG
# folders; the program is killed 0.8 s after exec.
launch() {  # <program> <output prefix or "">
    local work
    work=$(mktemp -d "$tmp/run.XXXXXX")
    mkdir -m 700 "$work/runtime"
    printf '0\r\n' >"$work/rank.dat"
    (
        cd "$work"
        export HOME=$work XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config \
            XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
        if [ -z "$2" ]; then
            "$1" >/dev/null 2>&1 & p=$!; sleep 0.8; kill -9 "$p"; wait "$p" 2>/dev/null || true
        else
            # shellcheck disable=SC2016 # expanded by the inner shell
            perf record -q -F 20000 -e cpu-clock -e probe_libxcb:xcb_map_window \
                --call-graph dwarf,16384 -o "$2.data" -- \
                sh -c '"$1" & p=$!; echo $p > "$2.pid"; sleep 0.8; kill -9 $p' sh "$1" "$2" \
                >/dev/null 2>&1 || true
        fi
    )
}

for i in "${!programs[@]}"; do launch "${programs[$i]}" ""; done
for r in $(seq "$runs"); do
    for i in "${!programs[@]}"; do launch "${programs[$i]}" "$tmp/p$i.r$r"; done
done
for i in "${!programs[@]}"; do
    echo "== ${programs[$i]}"
    python3 "$here/startup_profile.py" "$tmp/p$i" "$runs"
    echo
done
