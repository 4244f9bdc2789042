#!/bin/sh
# Runs the launcher against a stand-in program in throw-away homes and checks
# where it starts the program, what it seeds, and what it must leave alone.
# Usage: check_launcher.sh <launcher> <rank.dat template> <version>
set -eu

launcher="$1"
template="$2"
version="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The stand-in records the folder it runs in, its arguments one per line and
# the rank.dat it found; it may then write a score, as the game does, and
# exit with a chosen status.
standin_dir="$work/libexec"
mkdir -p "$standin_dir"
cp "$template" "$standin_dir/rank.dat"
cat > "$standin_dir/zanrai" <<'STANDIN'
#!/bin/sh
{ pwd -P; for arg in "$@"; do printf '%s\n' "$arg"; done; } > "$STANDIN_LOG"
cp rank.dat "$STANDIN_LOG.rank"
if [ -n "${STANDIN_SCORE:-}" ]; then printf '%s\r\n' "$STANDIN_SCORE" > rank.dat; fi
exit "${STANDIN_STATUS:-0}"
STANDIN
chmod +x "$standin_dir/zanrai"

log="$work/run.log"

# launch <home> <cwd> [VAR=value...] -- [args...]: runs the launcher with
# nothing from the caller's environment but PATH and a display, so a
# developer's own XDG_DATA_HOME cannot leak in.
launch() {
    home="$1"; cwd="$2"; shift 2
    vars=""
    while [ "$1" != "--" ]; do vars="$vars
$1"; shift; done
    shift
    rm -f "$log" "$log.rank"
    mkdir -p "$home" "$cwd"
    (
        cd "$cwd"
        IFS='
'
        # shellcheck disable=SC2086
        exec env -i PATH="$PATH" HOME="$home" DISPLAY=:0 ZANRAI_LIBEXEC_DIR="$standin_dir" \
            ZANRAI_DATA_DIR="$standin_dir" \
            STANDIN_LOG="$log" $vars sh "$launcher" "$@" < /dev/null
    )
}

bytes() { od -An -tx1 "$1" | tr -d ' \n'; }
physical() { (cd "$1" && pwd -P); }

expect_started_in() {
    if [ ! -f "$log" ]; then fail "$1: the program was not started"; return; fi
    started_in="$(head -n 1 "$log")"
    [ "$started_in" = "$(physical "$2")" ] ||
        fail "$1: program ran in '$started_in', expected '$2'"
}

seed_bytes="$(bytes "$template")"
[ "$seed_bytes" = "300d0a" ] || fail "the template is not \"0\\r\\n\" but bytes $seed_bytes"

# The launcher answers these itself, creating nothing: <args>|<status>|<what
# stdout must hold>; a refusal is one line on stderr.
home="$work/asks"
while IFS='|' read -r args want_status want_out; do
    status=0
    # shellcheck disable=SC2086
    out="$(launch "$home" "$work/cwd" -- $args 2> "$work/err")" || status=$?
    [ "$status" -eq "$want_status" ] || fail "zanrai $args: status $status, expected $want_status"
    printf '%s\n' "$out" | grep -qF -- "$want_out" || fail "zanrai $args: printed '$out'"
    [ "$want_status" -ne 2 ] || [ "$(wc -l < "$work/err")" -eq 1 ] ||
        fail "zanrai $args: the refusal is not one line: $(cat "$work/err")"
    { [ ! -f "$log" ] && [ ! -e "$home/.local" ]; } || fail "zanrai $args: started the program or made a folder"
done <<ASKS
--help|0|$home/.local/share/zanrai/rank.dat
-h|0|man 6 zanrai
--version|0|Zanrai $version
--level|2|
--help --version|2|
ASKS

# Without a display the program is not started and nothing is created.
status=0
launch "$home" "$work/cwd" DISPLAY= -- 2> "$work/err" || status=$?
{ [ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "zanrai: no graphical display (DISPLAY and WAYLAND_DISPLAY are unset or unreachable)" ]; } ||
    fail "no display: status $status, said: $(cat "$work/err")"
{ [ ! -f "$log" ] && [ ! -e "$home/.local" ]; } || fail "no display: started the program or made a folder"

# A seeding that cannot write (a full disk; here a file size limit of 0) says
# so in one line and leaves neither rank.dat nor its temporary file. Wayland
# alone is a display too.
home="$work/full"
status=0
err="$( (trap '' XFSZ; ulimit -f 0; launch "$home" "$work/cwd" DISPLAY= WAYLAND_DISPLAY=w-0 --) 2>&1)" ||
    status=$?
{ [ "$status" -eq 1 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ]; } ||
    fail "full disk: expected one line and status 1, got status $status: $err"
{ [ -z "$(ls -A "$home/.local/share/zanrai")" ] && [ ! -f "$log" ]; } ||
    fail "full disk: left $(ls -A "$home/.local/share/zanrai") or started the program"

# A first run seeds the score before the program starts, and hands it no
# arguments: the program takes none.
home="$work/first home"
folder="$home/.local/share/zanrai"
if launch "$home" "$work/cwd" STANDIN_SCORE=42 --; then :; else
    fail "first run: launcher exited with $?"
fi
expect_started_in "first run" "$folder"
{ [ -f "$log.rank" ] && [ "$(bytes "$log.rank")" = "300d0a" ]; } ||
    fail "first run: the program did not find a seeded rank.dat"
[ "$(wc -l < "$log")" -eq 1 ] || fail "first run: the program was given arguments: $(sed -n '2,$p' "$log")"
[ "$(find "$folder" -mindepth 1 -printf '%P ')" = "rank.dat " ] ||
    fail "first run: the data folder holds more than rank.dat: $(find "$folder" -mindepth 1 -printf '%P ')"

# The score the program saved survives the next start.
launch "$home" "$work/cwd" -- || fail "second run: launcher exited with $?"
expect_started_in "second run" "$folder"
[ "$(bytes "$folder/rank.dat")" = "34320d0a" ] ||
    fail "second run: the saved score was replaced, rank.dat is $(bytes "$folder/rank.dat")"
{ [ -f "$log.rank" ] && [ "$(bytes "$log.rank")" = "34320d0a" ]; } ||
    fail "second run: the program did not see the saved score"

# A rank.dat that was there before the launcher ever ran is kept as it is.
home="$work/returning"
folder="$home/.local/share/zanrai"
mkdir -p "$folder"
printf '151\r\n' > "$folder/rank.dat"
launch "$home" "$work/cwd" -- || fail "existing score: launcher exited with $?"
[ "$(bytes "$folder/rank.dat")" = "3135310d0a" ] ||
    fail "existing score: rank.dat was changed to $(bytes "$folder/rank.dat")"

# An absolute XDG_DATA_HOME is used, even when it does not exist yet.
home="$work/xdg user"
xdg="$work/xdg data/deep"
launch "$home" "$work/cwd" XDG_DATA_HOME="$xdg" -- || fail "XDG_DATA_HOME: launcher exited with $?"
{ [ -f "$xdg/zanrai/rank.dat" ] && [ "$(bytes "$xdg/zanrai/rank.dat")" = "300d0a" ]; } ||
    fail "XDG_DATA_HOME: rank.dat was not seeded in $xdg/zanrai"
[ -d "$xdg/zanrai" ] && expect_started_in "XDG_DATA_HOME" "$xdg/zanrai"
[ ! -e "$home/.local" ] || fail "XDG_DATA_HOME: ~/.local was created although XDG_DATA_HOME is set"

# An empty or relative XDG_DATA_HOME counts as unset; a relative one must not
# create folders wherever the launcher happens to be started.
for value in "" "relative/data"; do
    home="$work/ignored-$(printf '%s' "$value" | tr '/' '-')"
    cwd="$work/cwd-$(printf '%s' "$value" | tr '/' '-')"
    launch "$home" "$cwd" XDG_DATA_HOME="$value" -- ||
        fail "XDG_DATA_HOME='$value': launcher exited with $?"
    [ -f "$home/.local/share/zanrai/rank.dat" ] ||
        fail "XDG_DATA_HOME='$value': rank.dat not seeded under ~/.local/share/zanrai"
    [ -d "$home/.local/share/zanrai" ] &&
        expect_started_in "XDG_DATA_HOME='$value'" "$home/.local/share/zanrai"
    [ -z "$(ls -A "$cwd")" ] ||
        fail "XDG_DATA_HOME='$value': created $(ls -A "$cwd") in the current folder"
done

# The launcher becomes the program, so the program's exit status is the
# launcher's.
status=0
launch "$work/status" "$work/cwd" STANDIN_STATUS=3 -- || status=$?
[ "$status" -eq 3 ] || fail "exit status: launcher returned $status, the program 3"

# Without the template the launcher stops before starting the program and
# leaves no rank.dat behind that would later be kept as a real score.
rm "$standin_dir/rank.dat"
home="$work/broken"
status=0
launch "$home" "$work/cwd" -- 2>/dev/null || status=$?
[ "$status" -ne 0 ] || fail "missing template: launcher succeeded"
[ ! -f "$log" ] || fail "missing template: the program was started"
[ ! -e "$home/.local/share/zanrai/rank.dat" ] || fail "missing template: a rank.dat was left behind"

if [ "$failures" -ne 0 ]; then
    echo "$failures launcher check(s) failed" >&2
    exit 1
fi
echo "launcher: all checks passed"
