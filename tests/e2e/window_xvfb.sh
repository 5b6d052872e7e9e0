#!/usr/bin/env bash
# The real SDL window, once, on a virtual X display: it opens, draws the gallery and saves what
# the screen shows; the picture must be the gallery, not a blank or black window.
set -u
beatstrip=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! command -v xvfb-run >/dev/null; then
    echo "xvfb-run is missing (scripts/bootstrap installs xvfb)"; exit 1
fi

if ! timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$beatstrip" --gallery --home "$work/home" --screenshot-after 1.5 "$work/window.png" \
        >"$work/stdout" 2>"$work/stderr"; then
    echo "FAIL: beatstrip under Xvfb failed"; cat "$work/stdout" "$work/stderr"; exit 1
fi
grep -q "Saved a screenshot of the window to $work/window.png" "$work/stdout" || { echo "FAIL: no word of the screenshot"; cat "$work/stdout"; exit 1; }

python3 - "$here" "$work/window.png" <<'CHECK'
import sys
sys.path.insert(0, sys.argv[1])
import png
width, height, rows = png.read(sys.argv[2])
failures = []
def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)
check((width, height) == (1024, 768), "the window is 1024 x 768 pixels (got %d x %d)" % (width, height))
check(png.distinct_colours(rows) > 50, "the window shows a picture, not a blank")
# Probes into the gallery's fixed views: the page background, the raised blue square over the
# red one, and the red one's own corner.
check(png.near(rows[30][1000], (240, 240, 240)), "page background at (1000, 30): %s" % (rows[30][1000],))
check(png.near(rows[650][900], (51, 102, 255)), "the raised blue square covers the overlap at (900, 650): %s" % (rows[650][900],))
check(png.near(rows[720][950], (255, 77, 77)), "the red square at (950, 720): %s" % (rows[720][950],))
sys.exit(1 if failures else 0)
CHECK
