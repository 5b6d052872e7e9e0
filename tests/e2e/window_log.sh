#!/usr/bin/env bash
# The window keeps its terminal quiet: its log goes to HOME/beatstrip.log (a full one is rotated
# when the run starts), and to stderr only with --verbose; --quiet keeps even that off.
set -u
beatstrip=$1
for tool in xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

home="$work/home"
mkdir -p "$home"
# Last run's log, full: this run starts a fresh file and keeps it as beatstrip.log.1.
head -c 1048576 /dev/zero | tr '\0' 'x' >"$home/beatstrip.log"

# One window run of the gallery, clicked once on its "Tap me" button so it has a line to log. It
# stays up 10 s so a loaded machine still finds it before it quits.
cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2 home=$3 name=$4
shift 4
"$beatstrip" --gallery --home "$home" --screenshot-after 10 "$work/$name.png" "$@" \
    >"$work/$name.stdout" 2>"$work/$name.stderr" &
pid=$!
. "$E2E/window.bash"
wait_for_window $pid
xdotool mousemove --window "$wid" 75 104 click 1
xdotool search --class "^$(cat "$work/wmclass")\$" >"$work/$name.class" 2>/dev/null
wait $pid
DRIVE
window() {
    local name=$1; shift
    HOME="$work/user" E2E="$(cd "$(dirname "$0")" && pwd)" timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$work/drive.sh" "$beatstrip" "$work" "$home" "$name" "$@" || fail "the $name window run failed: $(cat "$work/$name.stderr")"
}

# The desktop entry's StartupWMClass names the window's class, so docks match the two.
sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../desktop/org.beatstrip.BeatStrip.desktop.in" >"$work/wmclass"
window plain
[ -s "$work/wmclass" ] && [ -s "$work/plain.class" ] && ok "the window's class is the desktop entry's StartupWMClass ($(cat "$work/wmclass"))" \
    || fail "no window of class '$(cat "$work/wmclass")'"
[ -s "$work/plain.png" ] || fail "the plain run saved no screenshot"
[ ! -s "$work/plain.stderr" ] && ok "nothing on stderr without --verbose" || fail "the window wrote to stderr: $(head -5 "$work/plain.stderr")"
[ "$(wc -c 2>/dev/null <"$home/beatstrip.log.1")" = 1048576 ] && ok "the full log was rotated to beatstrip.log.1" || fail "the full log was not rotated"
grep -q "beatstrip\[[0-9]*\] BeatStrip .* started" "$home/beatstrip.log" && grep -q "beatstrip\[[0-9]*\] Gallery: Button tapped 1$" "$home/beatstrip.log" \
    && ok "the run and its tap are in HOME/beatstrip.log" || fail "HOME/beatstrip.log lacks the run: $(tail -c 300 "$home/beatstrip.log")"

window verbose --verbose
grep -q "BeatStrip .* started" "$work/verbose.stderr" && grep -q "Gallery: Button tapped 1$" "$work/verbose.stderr" && ok "--verbose also writes the log to stderr" || fail "--verbose wrote '$(head -3 "$work/verbose.stderr")'"
[ "$(grep -c "BeatStrip .* started" "$home/beatstrip.log")" -eq 2 ] && ok "the next run appends to the log file" || fail "the log file holds $(grep -c started "$home/beatstrip.log") runs, not 2"

window quiet --quiet
[ ! -s "$work/quiet.stderr" ] && ok "nothing on stderr with --quiet" || fail "--quiet wrote: $(head -5 "$work/quiet.stderr")"
# The sound server's client library keeps its own runtime link under ~/.config/pulse; nothing
# else of the user's home may change.
others=$(cd "$work/user" 2>/dev/null && find . -mindepth 1 ! -path ./.config ! -path './.config/pulse*' | head -5)
[ -z "$others" ] || fail "the window wrote into \$HOME although --home was given: $others"

[ "$failures" -eq 0 ] || exit 1
