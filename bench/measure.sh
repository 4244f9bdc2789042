#!/bin/bash
# Measures the built game from the outside, the way a player's desktop runs
# it: the game-timer cadence (idle, then with the other core busy), start-up
# to window shown, CPU and peak memory while playing, each against a minimal
# Qt Widgets window where a ratio is asked for; then the effect latency from
# the benchmark program on the real sound back end.
#
#   bench/measure.sh [BUILD_DIR]        (default: build-bench, else build)
#
# Builds nothing. Needs Xvfb, xdotool, xev, stdbuf, taskset and bash 5. Takes
# about two minutes. Environment knobs:
#   RUNS=10          start-up launches of each program
#   PLAY_SECONDS=10  length of each measured stretch of play
#   CLICK_GAP=0.02   seconds between the player robot's clicks
#   SECTIONS="cadence cpu startup latency"   the parts to run
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-}
if [ -z "$build" ]; then
    for d in build-bench build; do
        if [ -x "$root/$d/bin/zanrai" ]; then build=$root/$d; break; fi
    done
fi
build=$(cd "${build:?no build dir with bin/zanrai; pass one}" && pwd)
zanrai=$build/bin/zanrai
minimal=$build/bench/minimal_window
benchprog=$build/bench/zanrai_bench
for f in "$zanrai" "$minimal" "$benchprog"; do
    [ -x "$f" ] || { echo "measure: $f missing; build with ZANRAI_BUILD_BENCHMARKS=ON" >&2; exit 2; }
done
for t in Xvfb xdotool xev stdbuf taskset awk; do
    command -v "$t" >/dev/null || { echo "measure: $t not found" >&2; exit 2; }
done

RUNS=${RUNS:-10}
SECTIONS=${SECTIONS:-cadence cpu startup latency}
wanted() { case " $SECTIONS " in *" $1 "*) return 0 ;; esac; return 1; }
PLAY_SECONDS=${PLAY_SECONDS:-10}
CLICK_GAP=${CLICK_GAP:-0.02}
clk_tck=$(getconf CLK_TCK)
ncpu=$(nproc)
other_cpu=$((ncpu - 1))

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -n "${KEEP_TMP:-}" ] && echo "measure: kept $tmp" >&2 || rm -rf "$tmp"
}
trap cleanup EXIT

# Every program runs on X through Qt's xcb platform, in a working folder with
# a fresh rank.dat, without sound hardware if there is none.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_LOGGING_RULES
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ -z "${SDL_AUDIODRIVER:-}" ] && ! grep -q '[0-9]' /proc/asound/cards 2>/dev/null; then
    export SDL_AUDIODRIVER=dummy
fi
work=$tmp/work
mkdir "$work"
printf '0\r\n' >"$work/rank.dat"
cd "$work"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$tmp/display")

# ---------------------------------------------------------------- helpers --

# Prints the median, 1st and 99th percentile of the numbers on stdin.
percentiles() {
    sort -g | awk '{ v[NR] = $1 }
        END {
            if (NR == 0) { print "n/a n/a n/a"; exit }
            m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            i1 = int(0.01 * (NR - 1) + 0.5) + 1; i99 = int(0.99 * (NR - 1) + 0.5) + 1
            printf "%.3f %.3f %.3f\n", m, v[i1], v[i99] }'
}
median() { percentiles | awk '{ print $1 }'; }

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# One line per thread: id, run time in ns, name.
task_run_ns() {
    local t
    for t in /proc/"$1"/task/*; do
        printf '%s %s %s\n' "${t##*/}" "$(cut -d' ' -f1 "$t/schedstat")" "$(cat "$t/comm")"
    done
}
# CPU share of each kind of thread (by name) between task_run_ns snapshots,
# over the given seconds.
thread_shares() {
    awk -v s="$3" 'NR == FNR { r0[$1] = $2; next }
        { name = $3; for (i = 4; i <= NF; i++) name = name " " $i
          d = $2 - ($1 in r0 ? r0[$1] : 0)
          if (d > 0) { if (!(name in sum)) order[++n] = name; sum[name] += d } }
        END { for (i = 1; i <= n; i++)
              printf "    %-18s %6.2f %%\n", order[i], 100 * sum[order[i]] / (s * 1e9) }' "$1" "$2"
}
peak_rss_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }

stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# The visible top-level window of a program, once it is mapped.
window_of() {
    local name=$1 w=""
    for _ in $(seq 200); do
        w=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n1) || true
        [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.05
    done
    echo "measure: no window named $name" >&2
    return 1
}

# Sum of the run time of every thread of a process, in ns.
process_run_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }

# Time from exec to the first MapNotify of a new top-level window. xev
# reports the map as the X server sends it; the reader stamps it and stops
# the program at once, so the CPU it used up to then can be read. Prints:
#   wall_ms main_thread_cpu_ms main_thread_runqueue_wait_ms process_cpu_ms
time_to_map() {
    local fifo=$tmp/xev.fifo stamp=$tmp/mapped pidfile=$tmp/prog.pid
    rm -f "$fifo" "$stamp" "$pidfile"
    mkfifo "$fifo"
    stdbuf -oL xev -root -event substructure >"$fifo" 2>/dev/null &
    local xev_pid=$!
    (while IFS= read -r line; do
        case $line in MapNotify*)
            echo "$EPOCHREALTIME" >"$stamp.new"
            kill -STOP "$(cat "$pidfile")" 2>/dev/null
            mv "$stamp.new" "$stamp"
            exit 0 ;;
        esac
    done <"$fifo") &
    local reader=$!
    sleep 0.3 # xev has selected its events
    local t0=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 &
    local prog=$!
    echo "$prog" >"$pidfile"
    for _ in $(seq 1000); do [ -s "$stamp" ] && break; sleep 0.01; done
    local sched="0 0" total=0
    if [ -s "$stamp" ]; then
        sched=$(cat "/proc/$prog/task/$prog/schedstat" 2>/dev/null || echo "0 0")
        total=$(process_run_ns "$prog")
    fi
    kill -KILL "$prog" 2>/dev/null || true
    wait "$prog" 2>/dev/null || true
    kill "$xev_pid" 2>/dev/null || true
    wait "$reader" 2>/dev/null || true
    wait "$xev_pid" 2>/dev/null || true
    [ -s "$stamp" ] || { echo "measure: $1 never mapped a window" >&2; return 1; }
    awk -v a="$t0" -v b="$(cat "$stamp")" -v s="$sched" -v tot="$total" 'BEGIN {
        split(s, f, " ")
        printf "%.1f %.1f %.1f %.1f\n", (b - a) * 1000, f[1] / 1e6, f[2] / 1e6, tot / 1e6 }'
}

# Opens File and picks Start (second item) on the game's window.
start_game() {
    local w=$1
    xdotool mousemove --window "$w" 20 9 click 1
    sleep 0.4
    xdotool key Down Down Return
}

# A player robot: clicks the five targets' columns in turn, CLICK_GAP apart,
# for the given seconds, just above the bottom of a target waiting at home
# (columns at x = 96, 160, 224, 288, 360 in the window; home spans y = 139
# to 170, the limit is at 211). A target is cut as soon as it comes back
# into reach, which keeps a Normal game alive at 0.02 s; slower robots lose
# it within seconds once the targets speed up. Over the run the robot
# clicks about 45 times a second: a frantic player, so the CPU figure is an
# upper bound for play.
robot() {
    local w=$1 seconds=$2 args=() clicks
    clicks=$(awk -v s="$seconds" -v g="$CLICK_GAP" 'BEGIN { print int(s / g) }')
    local xs=(96 160 224 288 360) i=0
    while [ "$i" -lt "$clicks" ]; do
        # click's own default delay is 100 ms; the gap is the sleep alone.
        args+=(mousemove --window "$w" "${xs[$((i % 5))]}" 169 click --delay 0 1 sleep "$CLICK_GAP")
        i=$((i + 1))
    done
    xdotool "${args[@]}" >/dev/null 2>&1 &
    echo $!
}

# One stretch of play: the game's stderr goes to the named file, with the
# tick log when asked. Prints the CPU ticks used over PLAY_SECONDS, the peak
# RSS in KiB, and a note if the robot lost the game.
play() {
    local log=$1 rules=""
    [ "${2:-}" = tick-log ] && rules="zanrai.timing.debug=true"
    # Game over saves the best score: a changed rank.dat tells the robot lost.
    printf '0\r\n' >"$work/rank.dat"
    QT_LOGGING_RULES=$rules "$zanrai" 2>"$log" &
    local game=$!
    local w
    w=$(window_of '^Zanrai$')
    sleep 1 # the soundfont finishes loading, as it would before a player starts
    start_game "$w"
    sleep 0.2
    local bot
    bot=$(robot "$w" "$PLAY_SECONDS")
    local c0 c1 r0
    r0=$(task_run_ns "$game")
    c0=$(cpu_ticks "$game")
    sleep "$PLAY_SECONDS"
    c1=$(cpu_ticks "$game")
    local hwm
    hwm=$(peak_rss_kib "$game")
    if ! kill -0 "$game" 2>/dev/null; then
        stop "$bot"
        local status=0
        wait "$game" || status=$?
        echo "measure: the game exited during play (status $status)" >&2
        echo "0 0 the game exited during the run"
        return
    fi
    local r1
    r1=$(task_run_ns "$game")
    stop "$bot"
    stop "$game"
    echo "$r0" >"$log.threads0"
    echo "$r1" >"$log.threads1"
    local over=""
    [ "$(cat "$work/rank.dat")" = "$(printf '0\r\n')" ] || over="the robot lost the game during the run"
    echo "$((c1 - c0)) $hwm $over"
}

# Timer1 periods in ms over the first PLAY_SECONDS of ticks.
periods() {
    awk -v span="$PLAY_SECONDS" '$1 == "zanrai.timing:" && $2 == "Timer1" {
            t = $3 / 1e6
            if (n == 0) first = t
            if (t - first > span * 1000) exit
            if (n > 0) print t - prev
            prev = t; n++ }' "$1"
}

cadence_report() {
    local label=$1 file=$2
    local stats
    stats=$(periods "$file" | percentiles)
    local n within late
    n=$(periods "$file" | wc -l)
    within=$(periods "$file" | awk '$1 >= 8 && $1 <= 12 { k++ } END { printf "%.2f", 100 * k / (NR ? NR : 1) }')
    late=$(periods "$file" | awk '$1 > 12 { k++ } END { print k + 0 }')
    read -r med p1 p99 <<<"$stats"
    printf '%-34s median %s ms  p1 %s ms  p99 %s ms  (%s periods, %s%% in 8-12 ms, %s over 12 ms)\n' \
        "$label" "$med" "$p1" "$p99" "$n" "$within" "$late"
}

# ---------------------------------------------------------------- machine --

echo "== machine"
echo "cpus:   $ncpu x $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
echo "memory: $(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "kernel: $(uname -r); audio driver: ${SDL_AUDIODRIVER:-default}; display $DISPLAY"
echo "load:   $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at start"
echo "build:  $build"
echo

# ---------------------------------------------------------------- cadence --

if wanted cadence; then
    echo "== game-timer cadence: Timer1 periods over ${PLAY_SECONDS} s of play (robot clicks every ${CLICK_GAP} s)"
    read -r _ _ over_idle <<<"$(play "$tmp/idle.log" tick-log)"
    cadence_report "other core idle" "$tmp/idle.log"
    [ -n "$over_idle" ] && echo "  note: $over_idle"

    taskset -c "$other_cpu" sh -c 'while :; do :; done' &
    busy=$!
    pids+=("$busy")
    read -r _ _ over_busy <<<"$(play "$tmp/busy.log" tick-log)"
    stop "$busy"
    cadence_report "busy loop pinned to cpu $other_cpu" "$tmp/busy.log"
    [ -n "$over_busy" ] && echo "  note: $over_busy"
    echo
fi

# ------------------------------------------------------------- CPU, memory --

if wanted cpu; then
    echo "== CPU (all threads, from /proc/<pid>/task/*/schedstat) and peak RSS over ${PLAY_SECONDS} s, no tick log"
    read -r game_ticks game_hwm over_cpu <<<"$(play "$tmp/quiet.log")"
    # The robot above clicks far faster than a person. Without any input a game
    # lasts about three seconds, so the quiet figure adds up four stretches of
    # 2.5 s, each in a fresh game.
    quiet_ns=0
    quiet_over=""
    for _ in 1 2 3 4; do
        printf '0\r\n' >"$work/rank.dat"
        "$zanrai" 2>/dev/null &
        game=$!
        w=$(window_of '^Zanrai$')
        sleep 1
        start_game "$w"
        sleep 0.1
        q0=$(process_run_ns "$game")
        task_run_ns "$game" >>"$tmp/quiet.threads0"
        sleep 2.5
        q1=$(process_run_ns "$game")
        task_run_ns "$game" >>"$tmp/quiet.threads1"
        stop "$game"
        quiet_ns=$((quiet_ns + q1 - q0))
        [ "$(cat "$work/rank.dat")" = "$(printf '0\r\n')" ] || quiet_over="a game ended within 2.5 s"
    done

    "$minimal" --timer >/dev/null 2>&1 &
    mini=$!
    window_of '^Minimal$' >/dev/null
    sleep 1.2
    task_run_ns "$mini" >"$tmp/mini.threads0"
    m0=$(cpu_ticks "$mini")
    sleep "$PLAY_SECONDS"
    m1=$(cpu_ticks "$mini")
    task_run_ns "$mini" >"$tmp/mini.threads1"
    mini_hwm=$(peak_rss_kib "$mini")
    stop "$mini"
    mini_ticks=$((m1 - m0))

    sum_ns() { awk '{ s += $2 } END { print s + 0 }' "$1"; }
    game_ns=$(($(sum_ns "$tmp/quiet.log.threads1") - $(sum_ns "$tmp/quiet.log.threads0")))
    mini_ns=$(($(sum_ns "$tmp/mini.threads1") - $(sum_ns "$tmp/mini.threads0")))

    sf=${ZANRAI_SOUNDFONT:-/usr/share/sounds/sf2/default-GM.sf2}
    sf_kib=$(($(stat -L -c %s "$sf" 2>/dev/null || echo 0) / 1024))

    awk -v g="$game_ns" -v m="$mini_ns" -v q="$quiet_ns" -v gt="$game_ticks" -v mt="$mini_ticks" -v hz="$clk_tck" \
        -v s="$PLAY_SECONDS" 'BEGIN {
        gp = 100 * g / (s * 1e9); mp = 100 * m / (s * 1e9)
        printf "CPU zanrai playing, robot:        %.2f %% of one core (utime+stime: %.1f %%)\n", gp, 100 * gt / hz / s
        printf "CPU zanrai playing, no input:     %.2f %% of one core (4 x 2.5 s)\n", 100 * q / 10e9
        printf "CPU ratio, no input:              %.1f x\n", (q / 10) / (m / s)
        printf "CPU minimal window, 10 ms timer:  %.2f %% of one core (utime+stime: %.1f %%)\n", mp, 100 * mt / hz / s
        printf "CPU ratio, robot:                 %.1f x\n", g / m
        print  "  zanrai by thread, robot:" }'
    thread_shares "$tmp/quiet.log.threads0" "$tmp/quiet.log.threads1" "$PLAY_SECONDS"
    echo "  zanrai by thread, no input:"
    thread_shares "$tmp/quiet.threads0" "$tmp/quiet.threads1" 10
    echo "  minimal window by thread:"
    thread_shares "$tmp/mini.threads0" "$tmp/mini.threads1" "$PLAY_SECONDS"
    [ -n "$over_cpu" ] && echo "  note: $over_cpu"
    [ -n "$quiet_over" ] && echo "  note: $quiet_over"
    awk -v gh="$game_hwm" -v mh="$mini_hwm" -v sf="$sf_kib" -v sfname="$sf" 'BEGIN {
        printf "peak RSS zanrai:                  %.1f MiB\n", gh / 1024
        printf "peak RSS minimal window:          %.1f MiB\n", mh / 1024
        printf "RSS ratio:                        %.2f x\n", gh / mh
        printf "soundfont:                        %.1f MiB (%s)\n", sf / 1024, sfname
        printf "budget 1.5 x minimal + soundfont: %.1f MiB -> %s by %.1f MiB\n", (1.5 * mh + sf) / 1024,
            (gh <= 1.5 * mh + sf ? "met" : "missed"), (gh - 1.5 * mh - sf) / 1024
    }'
    echo
fi

# --------------------------------------------------------------- start-up --

if wanted startup; then
    echo "== start-up: exec to window mapped, $RUNS runs each, interleaved after one warm-up"
    time_to_map "$zanrai" >/dev/null
    time_to_map "$minimal" >/dev/null
    : >"$tmp/start.zanrai"
    : >"$tmp/start.minimal"
    for _ in $(seq "$RUNS"); do
        time_to_map "$zanrai" >>"$tmp/start.zanrai"
        time_to_map "$minimal" >>"$tmp/start.minimal"
    done
    col() { awk -v c="$1" '{ print $c }' "$2" | median; }
    printf '%-8s %12s %22s %26s %22s\n' "" "wall (ms)" "main thread CPU (ms)" "main thread runnable (ms)" "all threads CPU (ms)"
    for p in zanrai minimal; do
        printf '%-8s %12s %22s %26s %22s\n' "$p" "$(col 1 "$tmp/start.$p")" "$(col 2 "$tmp/start.$p")" \
            "$(col 3 "$tmp/start.$p")" "$(col 4 "$tmp/start.$p")"
    done
    echo "(medians; 'runnable' is time the main thread was ready to run but waited for a CPU)"
    echo "zanrai wall runs:  $(awk '{ printf "%s ", $1 }' "$tmp/start.zanrai")"
    echo "minimal wall runs: $(awk '{ printf "%s ", $1 }' "$tmp/start.minimal")"
    awk -v zw="$(col 1 "$tmp/start.zanrai")" -v mw="$(col 1 "$tmp/start.minimal")" \
        -v zc="$(col 2 "$tmp/start.zanrai")" -v mc="$(col 2 "$tmp/start.minimal")" 'BEGIN {
        printf "ratio wall:            %.2f x (budget 1.5 x)\n", zw / mw
        printf "ratio main thread CPU: %.2f x\n", zc / mc }'
    echo
fi

# ----------------------------------------------------------- effect latency --

if wanted latency; then
    echo "== effect latency (in-process, real back end, music playing)"
    QT_QPA_PLATFORM=offscreen "$benchprog" --benchmark_filter='^Effect/latency_click_to_mixer/' \
        --benchmark_format=json 2>/dev/null >"$tmp/latency.json"
    field() { awk -v k="\"$1\":" '$1 == k { gsub(/[",]/, "", $2); print $2; exit }' "$tmp/latency.json"; }
    awk -v f="$(field buffer_frames)" -v r="$(field rate_hz)" -v p50="$(field p50_us)" \
        -v p99="$(field p99_us)" -v mx="$(field max_us)" -v miss="$(field missed)" \
        -v label="$(field label)" 'BEGIN {
        printf "audio buffer obtained: %d frames at %d Hz = %.1f ms (%s)\n", f, r, 1000 * f / r, label
        printf "click -> first sample in the mixer: median %.2f ms  p99 %.2f ms  max %.2f ms  (missed %d)\n", p50 / 1000, p99 / 1000, mx / 1000, miss
    }'
    echo
fi

echo "load:   $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at the end"
