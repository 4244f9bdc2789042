#!/bin/bash
# Measures the built game from the outside, the way a player's desktop runs
# it: the game-timer cadence (idle, then with the other core busy); side by
# side in one interleaved run, the game, a minimal Qt Widgets window and,
# where installed, KBounce (CPU playing and idle, UI-thread wakeups, peak
# RSS); start-up to window mapped against the minimal window; a Start made
# as the window appears. The sound's latency has scripts of its own:
# measure_output.sh (in the output stream) and measure_stream.sh (through a
# sound server).
#
#   bench/measure.sh [BUILD_DIR]        (default: build-bench, else build)
#
# Builds nothing. Needs Xvfb, xdotool, xev, stdbuf, taskset, pgrep and bash 5
# (KBounce also dbus-run-session). Takes about four minutes. Environment knobs:
#   RUNS=10          start-up launches of each program
#   PLAY_SECONDS=10  length of each measured stretch of play
#   CLICK_GAP=0.02   seconds between the player robot's clicks
#   SECTIONS="cadence side startup held"   the parts to run
#   HELD_RUNS=10     Starts made 50 ms after the window maps, per build and load
#   ROUNDS=4, STRETCH=2.5   side by side: rounds, seconds per stretch
#   BASELINE=path/to/bin/zanrai   an older build, measured beside this one
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
SECTIONS=${SECTIONS:-cadence side startup held}
wanted() { case " $SECTIONS " in *" $1 "*) return 0 ;; esac; return 1; }
PLAY_SECONDS=${PLAY_SECONDS:-10}
CLICK_GAP=${CLICK_GAP:-0.02}
ncpu=$(nproc)
other_cpu=$((ncpu - 1))

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ -n "${KEEP_TMP:-}" ]; then echo "measure: kept $tmp" >&2; else rm -rf "$tmp"; fi
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

# Without -noreset a bare Xvfb resets when its last client leaves, and a
# program connecting during the reset is refused and exits.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$tmp/display")
export DISPLAY

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
    xdotool mousemove --window "$w" 20 27 click 1
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
        args+=(mousemove --window "$w" "${xs[$((i % 5))]}" 187 click --delay 0 1 sleep "$CLICK_GAP")
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

# ---------------------------------------------- side by side: CPU, memory --

# The programs compared, in the order each round runs them: the game, the
# game as it was (BASELINE=<path to an older bin/zanrai>, optional), the
# minimal window, and KBounce where it is installed (a peer desktop game; it
# needs a D-Bus session, which dbus-run-session gives it).
peers=(zanrai)
[ -n "${BASELINE:-}" ] && peers+=(before)
peers+=(minimal)
kbounce=$(command -v kbounce || ls /usr/games/kbounce 2>/dev/null || true)
[ -n "$kbounce" ] && command -v dbus-run-session >/dev/null && peers+=(kbounce)

# Starts a peer; sets peer_pid and peer_win. With "playing" the minimal
# window runs its 10 ms timer.
launch_peer() {
    local name=$1 mode=$2
    case $name in
    zanrai | before)
        printf '0\r\n' >"$work/rank.dat"
        local bin=$zanrai
        [ "$name" = before ] && bin=$BASELINE
        "$bin" 2>>"$tmp/side.$name.stderr" &
        peer_pid=$!
        peer_win=$(window_of '^Zanrai$') || peer_win="" ;;
    minimal)
        if [ "$mode" = playing ]; then "$minimal" --timer >/dev/null 2>&1 &
        else "$minimal" >/dev/null 2>&1 & fi
        peer_pid=$!
        peer_win=$(window_of '^Minimal$') || peer_win="" ;;
    kbounce)
        mkdir -p "$tmp/kbhome"
        HOME=$tmp/kbhome dbus-run-session -- "$kbounce" >/dev/null 2>&1 &
        peer_session=$!
        peer_pid=""
        for _ in $(seq 200); do
            peer_pid=$(pgrep -P "$peer_session" -x kbounce || true)
            [ -n "$peer_pid" ] && break
            sleep 0.05
        done
        peer_win=""
        for _ in $(seq 200); do
            peer_win=$(xdotool search --onlyvisible --pid "$peer_pid" 2>/dev/null | head -n1) || true
            [ -n "$peer_win" ] && break
            sleep 0.05
        done ;;
    esac
}

# Starts a game: File -> Start in zanrai, a click on the field in KBounce
# (its welcome screen asks for one); the minimal window's timer already runs.
play_peer() {
    case $1 in
    zanrai | before) start_game "$peer_win" ;;
    kbounce) xdotool mousemove --window "$peer_win" 288 240 click 1 ;;
    esac
}

# all threads' run time (ns), the UI thread's run time (ns) and its
# voluntary context switches (each one a sleep, so a wakeup after it).
peer_sample() {
    echo "$(process_run_ns "$1") $(cut -d' ' -f1 "/proc/$1/task/$1/schedstat")" \
        "$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/task/$1/status")"
}

# One stretch: appends "cpu_ns ui_ns wakeups peak_rss_kib" to $tmp/side.<name>.<mode>.
stretch() {
    local name=$1 mode=$2 a b
    launch_peer "$name" "$mode"
    if [ -z "$peer_win" ]; then
        echo "measure: $name showed no window; stretch left out" >&2
        [ -n "$peer_pid" ] && stop "$peer_pid"
        return 0
    fi
    if [ "$mode" = playing ]; then
        sleep 1 # the soundfont loads, as it would before a player starts
        play_peer "$name"
        sleep 0.2
    else
        sleep 2 # whatever start-up left running has finished
    fi
    [ "$mode" = playing ] && task_run_ns "$peer_pid" >>"$tmp/side.$name.threads0"
    a=$(peer_sample "$peer_pid")
    sleep "$STRETCH"
    b=$(peer_sample "$peer_pid" 2>/dev/null) || b=""
    if ! kill -0 "$peer_pid" 2>/dev/null || [ -z "$b" ]; then
        local status=0
        wait "$peer_pid" 2>/dev/null || status=$?
        echo "measure: $name ended during a stretch (status $status); stretch left out" >&2
        [ -s "$tmp/side.$name.stderr" ] && tail -n 3 "$tmp/side.$name.stderr" | sed 's/^/  /' >&2
        return 0
    fi
    [ "$mode" = playing ] && task_run_ns "$peer_pid" >>"$tmp/side.$name.threads1"
    echo "$a $b $(peak_rss_kib "$peer_pid")" |
        awk '{ print $4 - $1, $5 - $2, $6 - $3, $7 }' >>"$tmp/side.$name.$mode"
    stop "$peer_pid"
    # The session bus ends with KBounce.
    if [ "$name" = kbounce ]; then wait "$peer_session" 2>/dev/null || true; fi
    return 0
}

if wanted side; then
    ROUNDS=${ROUNDS:-4}
    STRETCH=${STRETCH:-2.5}
    echo "== side by side, interleaved: $ROUNDS rounds of ${STRETCH} s each, playing then idle: ${peers[*]}"
    echo "   playing: zanrai right after File -> Start with no input (music, the deflect effect as"
    echo "   targets pass the limit; a fresh game each stretch), the minimal window with its 10 ms"
    echo "   timer, KBounce after the click that starts its game. Idle: the window open, no game."
    for _ in $(seq "$ROUNDS"); do
        for p in "${peers[@]}"; do stretch "$p" playing; done
        for p in "${peers[@]}"; do stretch "$p" idle; done
    done
    printf '%-8s %12s %12s %12s %12s %12s %10s\n' "" "CPU playing" "UI playing" "UI wakeups" \
        "CPU idle" "UI wakeups" "peak RSS"
    printf '%-8s %12s %12s %12s %12s %12s %10s\n' "" "all threads" "thread" "/s playing" \
        "all threads" "/s idle" "(MiB)"
    for p in "${peers[@]}"; do
        # Playing and idle may count different stretches if one was left out.
        awk -v s="$STRETCH" -v name="$p" '
            FNR == 1 { f++ }
            f == 1 { n++; c += $1; u += $2; w += $3; if ($4 > r) r = $4
                     lo = (n == 1 || $1 < lo) ? $1 : lo; hi = ($1 > hi) ? $1 : hi }
            f == 2 { ni++; ci += $1; wi += $3 }
            END { t = n * s * 1e9; ti = ni * s * 1e9
                  printf "%-8s %10.2f %% %10.2f %% %12.0f %10.2f %% %12.1f %10.1f   (CPU playing per stretch %.2f-%.2f %%; %d + %d stretches)\n",
                      name, 100 * c / t, 100 * u / t, w / (n * s), 100 * ci / ti, wi / (ni * s), r / 1024,
                      100 * lo / (s * 1e9), 100 * hi / (s * 1e9), n, ni }' \
            "$tmp/side.$p.playing" "$tmp/side.$p.idle"
    done | tee "$tmp/side.table"
    for p in zanrai before; do
        [ -s "$tmp/side.$p.threads0" ] || continue
        echo "  $p by thread, playing:"
        thread_shares "$tmp/side.$p.threads0" "$tmp/side.$p.threads1" \
            "$(awk -v s="$STRETCH" 'END { print NR * s }' "$tmp/side.$p.playing")"
    done
    side_col() { awk -v n="$1" -v c="$2" '$1 == n { gsub(/%/, ""); print $c }' "$tmp/side.table"; }
    awk -v z="$(side_col zanrai 2)" -v m="$(side_col minimal 2)" -v k="$(side_col kbounce 2)" \
        -v zu="$(side_col zanrai 3)" -v bu="$(side_col before 3)" -v b="$(side_col before 2)" \
        -v zr="$(side_col zanrai 7)" -v mr="$(side_col minimal 7)" -v zi="$(side_col zanrai 5)" 'BEGIN {
        printf "CPU playing zanrai / minimal:     %.2f x (goal at most 2.5 x)\n", z / m
        if (k != "") printf "CPU playing zanrai / KBounce:     %.2f x (goal at most 1 x)\n", z / k
        if (b != "") printf "before -> now, all threads:       %.2f %% -> %.2f %%\n", b, z
        if (bu != "") printf "before -> now, UI thread:         %.2f %% -> %.2f %%\n", bu, zu
        printf "CPU idle zanrai:                  %.2f %% (goal 0.0 %%)\n", zi
        printf "peak RSS zanrai - minimal:        %.1f MiB (goal at most 30 MiB)\n", zr - mr }'
    sf=${ZANRAI_SOUNDFONT:-/usr/share/sounds/sf2/default-GM.sf2}
    echo "soundfont: $(readlink -f "$sf" 2>/dev/null || echo "$sf")"
    echo
fi

# --------------------------------------------------------------- start-up --

if wanted startup; then
    echo "== start-up: exec to window mapped, $RUNS runs each, interleaved after one warm-up"
    starters=(zanrai minimal)
    [ -n "${BASELINE:-}" ] && starters=(zanrai before minimal)
    program_of() { case $1 in zanrai) echo "$zanrai" ;; before) echo "$BASELINE" ;; *) echo "$minimal" ;; esac; }
    for p in "${starters[@]}"; do time_to_map "$(program_of "$p")" >/dev/null; : >"$tmp/start.$p"; done
    for _ in $(seq "$RUNS"); do
        for p in "${starters[@]}"; do time_to_map "$(program_of "$p")" >>"$tmp/start.$p"; done
    done
    col() { awk -v c="$1" '{ print $c }' "$2" | median; }
    printf '%-8s %12s %22s %26s %22s\n' "" "wall (ms)" "main thread CPU (ms)" "main thread runnable (ms)" "all threads CPU (ms)"
    for p in "${starters[@]}"; do
        printf '%-8s %12s %22s %26s %22s\n' "$p" "$(col 1 "$tmp/start.$p")" "$(col 2 "$tmp/start.$p")" \
            "$(col 3 "$tmp/start.$p")" "$(col 4 "$tmp/start.$p")"
    done
    echo "(medians; 'runnable' is time the main thread was ready to run but waited for a CPU)"
    echo "zanrai wall runs:  $(awk '{ printf "%s ", $1 }' "$tmp/start.zanrai")"
    echo "minimal wall runs: $(awk '{ printf "%s ", $1 }' "$tmp/start.minimal")"
    awk -v zw="$(col 1 "$tmp/start.zanrai")" -v mw="$(col 1 "$tmp/start.minimal")" \
        -v zc="$(col 2 "$tmp/start.zanrai")" -v mc="$(col 2 "$tmp/start.minimal")" 'BEGIN {
        printf "ratio wall:            %.2f x (goal at most 1.25 x)\n", zw / mw
        printf "ratio main thread CPU: %.2f x\n", zc / mc }'
    echo
fi

# ------------------------------------------- a Start as the window appears --

# Starts the game, picks File -> Start as soon as the window is mapped (the
# menu clicked at the map, Start chosen 50 ms later), and prints how long
# the Start held the window: the first Timer1 tick after Start, less the
# timer's 10 ms. Prints nothing when Start was not reached.
held_once() {
    local bin=$1 log=$tmp/held.log fifo=$tmp/held.fifo
    printf '0\r\n' >"$work/rank.dat"
    rm -f "$fifo"
    mkfifo "$fifo"
    # xev reports the map as the X server sends it; the reader, already
    # running, opens the menu on that very window.
    stdbuf -oL xev -root -event substructure >"$fifo" 2>/dev/null &
    local xev_pid=$!
    (while IFS= read -r line; do
        case $line in MapNotify*)
            # The next line names the window: "event 0x..., window 0x..., override NO".
            IFS= read -r line
            w=${line##*, window }
            w=${w%%,*}
            xdotool mousemove --window "$w" 20 27 click 1 sleep 0.05 key Down Down Return
            exit 0 ;;
        esac
    done <"$fifo") &
    local reader=$!
    sleep 0.3 # xev has selected its events
    QT_LOGGING_RULES="zanrai.timing.debug=true" "$bin" 2>"$log" &
    local game=$!
    sleep 2
    stop "$game"
    kill "$xev_pid" "$reader" 2>/dev/null || true
    wait "$reader" "$xev_pid" 2>/dev/null || true
    awk '$1 == "zanrai.timing:" && $2 == "Exposed" && !x { x = $3 }
         $1 == "zanrai.timing:" && $2 == "Start" && !s { s = $3; next }
         $1 == "zanrai.timing:" && $2 == "Timer1" && s {
             printf "%.2f %.0f\n", ($3 - s) / 1e6 - 10, x ? (s - x) / 1e6 : -1; exit }' "$log"
}

if wanted held; then
    HELD_RUNS=${HELD_RUNS:-10}
    echo "== Start 50 ms after the window maps: the window held (first Timer1 tick after Start, less 10 ms)"
    holders=(zanrai)
    [ -n "${BASELINE:-}" ] && holders+=(before)
    for load in idle busy; do
        busy_pids=()
        if [ "$load" = busy ]; then
            # Two ordinary processes keep both cores busy.
            for _ in 1 2; do sh -c 'while :; do :; done' & busy_pids+=($!); pids+=($!); done
        fi
        for p in "${holders[@]}"; do : >"$tmp/held.$p.$load"; done
        for _ in $(seq "$HELD_RUNS"); do
            for p in "${holders[@]}"; do
                bin=$zanrai
                [ "$p" = before ] && bin=$BASELINE
                held_once "$bin" >>"$tmp/held.$p.$load"
            done
        done
        for b in "${busy_pids[@]}"; do stop "$b"; done
        for p in "${holders[@]}"; do
            f=$tmp/held.$p.$load
            printf '%-8s %-5s median %7s ms  max %7s ms  (%s Starts of %s; Start handled %s ms after the first expose, median)\n' \
                "$p" "$load" "$(cut -d' ' -f1 "$f" | median)" "$(cut -d' ' -f1 "$f" | sort -g | tail -n1)" \
                "$(wc -l <"$f")" "$HELD_RUNS" "$(cut -d' ' -f2 "$f" | median)"
            echo "         runs: $(cut -d' ' -f1 "$f" | tr '\n' ' ')"
        done
    done
    echo "(goal: at most 8 ms median and 20 ms worst, also with both cores busy)"
    echo
fi

echo "load:   $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at the end"
