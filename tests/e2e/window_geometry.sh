#!/usr/bin/env bash
# The window's size and place are kept between runs, and F11 toggles full screen and back.
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
geometry() { xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; echo; }

"$beatstrip" --home "$work/home" --screenshot-after 5 "$work/first.png" >"$work/stdout1" 2>"$work/stderr1" &
pid=$!
wait_for_window $pid
xdotool windowsize --sync "$wid" 900 700
xdotool windowmove --sync "$wid" 100 80
sleep 0.3
xdotool windowfocus --sync "$wid"
xdotool key F11
sleep 0.8
echo "full: $(geometry)" >>"$work/geometry"
xdotool key F11
sleep 0.8
echo "back: $(geometry)" >>"$work/geometry"
wait $pid

"$beatstrip" --home "$work/home" --screenshot-after 2 "$work/second.png" >"$work/stdout2" 2>"$work/stderr2" &
pid=$!
wait_for_window $pid
echo "again: $(geometry)" >>"$work/geometry"
wait $pid
DRIVE

E2E="$(cd "$(dirname "$0")" && pwd)" timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$beatstrip" "$work" \
    || { echo "FAIL: the window runs failed"; cat "$work"/stdout* "$work"/stderr* 2>/dev/null; exit 1; }
cat "$work/geometry"

failures=0
expect() {
    if grep -q "^$1: .*$2" "$work/geometry"; then echo "ok   $3"; else echo "FAIL $3"; failures=$((failures + 1)); fi
}
expect full "WIDTH=1280 HEIGHT=1024" "F11 makes the window fill the screen"
expect back "WIDTH=900 HEIGHT=700" "F11 again gives back the window's size"
expect again "X=100 Y=80 WIDTH=900 HEIGHT=700" "the next run opens where and as large as the window was"
[ "$failures" -eq 0 ] || { cat "$work"/stderr*; exit 1; }
