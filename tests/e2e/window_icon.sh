#!/usr/bin/env bash
# The real window carries the hicolor icon that the desktop files install: window managers and
# task switchers read it from the window itself (_NET_WM_ICON), in straight (not premultiplied)
# ARGB, so the window must hold the icon's own pixels.
set -u
beatstrip=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run xdotool xprop; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2
"$beatstrip" --gallery --home "$work/home" >"$work/stdout" 2>"$work/stderr" &
pid=$!
. "$E2E/window.bash"
wait_for_window $pid
# Numbers, not xprop's picture of the icon.
xprop -id "$wid" -notype -f _NET_WM_ICON 32c ' = $0+\n' _NET_WM_ICON >"$work/icon.txt"
quit_window $pid
DRIVE

if ! E2E="$here" timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$beatstrip" "$work"; then
    echo "FAIL: the window run failed"; cat "$work/stdout" "$work/stderr" 2>/dev/null; exit 1
fi

python3 - "$here" "$work/icon.txt" "$here/../../desktop/icons/hicolor/128x128/apps/org.beatstrip.BeatStrip.png" <<'CHECK'
import sys
sys.path.insert(0, sys.argv[1])
import png
text = open(sys.argv[2]).read()
failures = []
def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)
values = []
if "=" in text:
    values = [int(v) for v in text.split("=", 1)[1].replace(",", " ").split()]
check(len(values) > 2, "the window has an icon (%s)" % text.strip()[:80])
if len(values) > 2:
    width, height, words = values[0], values[1], values[2:]
    pw, ph, rows = png.read(sys.argv[3])
    check((width, height) == (pw, ph), "the icon is the hicolor PNG's size %dx%d (got %dx%d)" % (pw, ph, width, height))
    check(len(words) == width * height, "one word a pixel")
    # Loading keeps colour premultiplied in 8 bits on the way, so faint pixels may be off by up
    # to half a step of their alpha; a premultiplied icon would be off by far more.
    wrong = []
    if (width, height) == (pw, ph) and len(words) == width * height:
        for y in range(height):
            for x in range(width):
                w = words[y * width + x]
                got = ((w >> 16) & 255, (w >> 8) & 255, w & 255, w >> 24)
                r, g, b, a = rows[y][x]
                allowed = 1 + (128 // a if a else 0)
                if abs(got[3] - a) > 1 or (a and any(abs(p - q) > allowed for p, q in zip(got[:3], (r, g, b)))):
                    wrong.append((x, y, got, rows[y][x]))
    check(not wrong, "every pixel is the PNG's own colour, straight alpha (%d differ, first %s)" % (len(wrong), wrong[:1]))
sys.exit(1 if failures else 0)
CHECK
