#!/usr/bin/env bash
# The window's size and place are kept between runs, and so is full screen: F11 enters it (the
# next run opens full screen) and F11 leaves it (the next run opens at the size and place the
# window had before). Each run is asked to quit (as a desktop does) once its steps are done.
set -u
beatstrip=$1
for tool in xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2
. "$E2E/window.bash"
# start NAME: runs the program and waits for its window.
start() {
    "$beatstrip" --home "$work/home" >>"$work/stdout" 2>>"$work/stderr" &
    pid=$!
    # Mapped is enough here: a full-screen window cannot always be read back on a bare X server.
    mapped() { wid=$(xdotool search --onlyvisible --name '^BeatStrip$' 2>/dev/null | tail -1); [ -n "$wid" ]; }
    wait_until 60 mapped || { echo "no window appeared"; kill "$pid"; exit 1; }
    wait_until 30 grep -q "started" "$work/home/beatstrip.log"
    # Opening full screen may replace the X window once more: take the one shown now.
    sleep 0.5
    wid=$(xdotool search --onlyvisible --name '^BeatStrip$' 2>/dev/null | tail -1)
    echo "$1: $(xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' ')" >>"$work/geometry"
}
f11() {
    xdotool windowfocus --sync "$wid"
    xdotool key F11
    # The store has the new state once the window has taken the key.
    wait_until 30 grep -q "fullScreen" "$work/home/settings.sqlite" 2>/dev/null
    sleep 0.5
}
start first
xdotool windowsize --sync "$wid" 900 700
xdotool windowmove --sync "$wid" 100 80
quit_window $pid
stored() {
    python3 -c 'import sqlite3, sys; print(sys.argv[2] + ": " + sqlite3.connect(sys.argv[1]).execute("select value from defaults where key = ?", ("window/geometry",)).fetchone()[0])' \
        "$work/home/settings.sqlite" "$1" >>"$work/geometry"
}
start moved
f11
quit_window $pid
stored "after F11"
start full
f11
quit_window $pid
stored "after F11 again"
start windowed
quit_window $pid
DRIVE

E2E="$(cd "$(dirname "$0")" && pwd)" timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$beatstrip" "$work" \
    || { echo "FAIL: the window runs failed"; cat "$work"/stdout "$work"/stderr 2>/dev/null; exit 1; }
cat "$work/geometry"

failures=0
expect() {
    if grep -q "^$1: .*$2" "$work/geometry"; then echo "ok   $3"; else echo "FAIL $3"; failures=$((failures + 1)); fi
}
expect first "WIDTH=1024 HEIGHT=768" "the first run opens at 1024 x 768"
expect moved "X=100 Y=80 WIDTH=900 HEIGHT=700" "the next run opens where and as large as the window was"
# Without a window manager X keeps the window's size; what the program asked for is in the store.
expect "after F11" '"fullScreen":true,"height":700,"width":900,"x":100,"y":80' "F11 enters full screen, and the store keeps it with the window's place"
expect "after F11 again" '"fullScreen":false,"height":700,"width":900,"x":100,"y":80' "F11 again leaves it, back to the window's place"
expect windowed "X=100 Y=80 WIDTH=900 HEIGHT=700" "after F11 again it opens at the size and place it had before"
[ "$failures" -eq 0 ] || { cat "$work/stderr"; exit 1; }
