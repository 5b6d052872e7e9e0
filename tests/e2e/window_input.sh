#!/usr/bin/env bash
# The real window takes the mouse as a finger and the keyboard into the focused field, also
# after it was resized: the picture is then letterboxed and clicks map through the bars.
set -u
beatstrip=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2
"$beatstrip" --gallery --home "$work/home" --verbose >"$work/stdout" 2>"$work/stderr" &
pid=$!
. "$E2E/window.bash"
# Each step waits for the gallery's word that the one before was taken.
step() { wait_for_line "$work/stderr" "Gallery: $1\$" || echo "no \"$1\" in time" >>"$work/steps"; }
wait_for_window $pid
xdotool windowfocus --sync "$wid"
# At 1024 x 768 points are pixels: the centre of "Tap me", then the text field.
xdotool mousemove --window "$wid" 75 104 click 1
step "Button tapped 1"
xdotool mousemove --window "$wid" 170 252 click 1
xdotool type --delay 20 "Hi there"
xdotool key Return
step "Returned: Hi there"
# The player's and the library's keys, with nothing focused: '?' is a shifted '/' here.
xdotool key Home Prior Next bracketleft bracketright question F1 p m c n Up Down
# Holding the button down on the "Hold" tile is a long press: it begins while held.
xdotool mousemove --window "$wid" 448 252 mousedown 1
step "Long press began"
xdotool mouseup 1
step "Long press ended"
# Five wheel notches down over the table scroll it 200 points (40 a notch): the first row's
# place then shows row 5 (rows are 44 points).
xdotool mousemove --window "$wid" 760 106
xdotool click --repeat 5 --delay 30 5
xdotool click 1
step "Row 5 selected"
# Dragging the table up by 220 points scrolls it on to 420: the first row's place shows row 10,
# and the drag itself selects nothing.
xdotool mousemove --window "$wid" 760 350 mousedown 1
for y in 330 300 250 200 150 130; do xdotool mousemove --window "$wid" 760 $y; sleep 0.05; done
xdotool mouseup 1
xdotool mousemove --window "$wid" 760 106 click 1
step "Row 10 selected"
# 1600 x 600: the picture is 800 x 600 at 400, 0 (0.78125 pixels a point). The window moves to
# the screen's corner first so all of it can be read back. (Events are taken in order, so the
# click after the resize maps through the new size; the caret's blinking means the picture is
# never still while the field has the focus.)
xdotool windowmove --sync "$wid" 0 0
xdotool windowsize --sync "$wid" 1600 600
xdotool mousemove --window "$wid" 459 81 click 1
step "Button tapped 2"
# A click on the black bar touches nothing; a click on the text field after it and Return say
# the bar click was handled (events are taken in order).
xdotool mousemove --window "$wid" 100 81 click 1
xdotool mousemove --window "$wid" 533 197 click 1
xdotool key Return
wait_until 60 bash -c '[ "$(grep -c "Gallery: Returned:" "$1")" -ge 2 ]' _ "$work/stderr" \
    || echo "no second Return in time" >>"$work/steps"
python3 "$E2E/xshot.py" png "$wid" "$work/window.png"
quit_window $pid
DRIVE

if ! E2E="$here" timeout 300 xvfb-run -a -s "-screen 0 1920x1080x24" bash "$work/drive.sh" "$beatstrip" "$work"; then
    echo "FAIL: the window run failed"; cat "$work/stdout" "$work/stderr" 2>/dev/null; exit 1
fi
[ -s "$work/steps" ] && cat "$work/steps"

failures=0
expect_log() {
    if grep -q "Gallery: $1\$" "$work/stderr"; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}
expect_log "Button tapped 1" "a click is a tap on the button under it"
expect_log "Returned: Hi there" "typed text and Return reach the focused field"
for key in home pageup pagedown bracketleft bracketright question f1 p m c n up down; do
    expect_log "Key $key" "the $key key reaches the screen"
done
expect_log "Long press began" "holding the mouse button begins a long press"
expect_log "Long press ended" "releasing it ends the long press"
expect_log "Row 5 selected" "the wheel scrolls the table under the pointer, downwards"
expect_log "Row 10 selected" "dragging scrolls the table on"
if [ "$(grep -c 'Gallery: Row [0-9]* selected' "$work/stderr")" -ne 2 ]; then
    echo "FAIL the drag selected a row"; failures=$((failures + 1))
fi
expect_log "Button tapped 2" "after resizing, a click maps through the letterbox"
if grep -q "Gallery: Button tapped 3" "$work/stderr"; then
    echo "FAIL a click on the bar reached the picture"; failures=$((failures + 1))
fi

python3 - "$here" "$work/window.png" <<'CHECK' || failures=$((failures + 1))
import sys
sys.path.insert(0, sys.argv[1])
import png
width, height, rows = png.read(sys.argv[2])
ok = True
def check(cond, what):
    global ok
    print(("ok   " if cond else "FAIL ") + what)
    ok = ok and cond
check((width, height) == (1600, 600), "the resized window is 1600 x 600 pixels (got %d x %d)" % (width, height))
check(png.near(rows[300][100], (0, 0, 0), 2) and png.near(rows[300][1500], (0, 0, 0), 2), "black bars left and right")
check(png.near(rows[20][1180], (240, 240, 240)), "the gallery's background inside the picture")
sys.exit(0 if ok else 1)
CHECK
[ "$failures" -eq 0 ] || { cat "$work/stderr"; exit 1; }
