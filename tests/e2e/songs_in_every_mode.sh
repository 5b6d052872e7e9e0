#!/usr/bin/env bash
# Every sample song opens in every display mode: the player shows the strip with the cursor on
# the first beat, the modes colour the notes differently, and Songs returns to the library.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

{
    echo "tap id:download"
    echo "idle 30"
    echo "wait 1"
    for segment in 0 1 2; do
        echo "select id:modeControl $segment"
        for row in 0 1 2 3 4; do
            echo "tap row:$row"
            echo "wait 1"
            echo "dump song-$segment-$row.json"
            echo "screenshot song-$segment-$row.png"
            echo "tap id:back"
            echo "wait 1"
        done
    done
    echo "dump library.json"
} >"$work/script.txt"

"$beatstrip" --headless --home "$work/home" --script "$work/script.txt" --out "$work/out" 2>"$work/stderr" \
    || { echo "FAIL the script did not run"; tail -20 "$work/stderr"; exit 1; }

PYTHONPATH="$(dirname "$0")" python3 - "$work/out" <<'PY'
import json, os, sys
out = sys.argv[1]
from checks import failures, find
import checks

def check(cond, what):
    checks.check(cond, what, quiet=True)

colours = {}
for segment in range(3):
    for row in range(5):
        name = f"song-{segment}-{row}"
        dump = json.load(open(os.path.join(out, name + ".json")))
        check(dump["screen"] == "ViewController", f"{name}: screen is {dump['screen']}")
        root = dump["root"]
        strip = find(root, "scrollView")
        check(strip is not None and strip["contentSize"][0] > 1024, f"{name}: strip narrower than a page")
        check(strip is not None and len(strip["children"]) > 100, f"{name}: strip holds few views")
        up, left, right = find(root, "upShader"), find(root, "leftShader"), find(root, "rightShader")
        x, w = up["frame"][0], up["frame"][2]
        check(w > 0, f"{name}: the cursor has no width")
        check(left["frame"][0] + 1024 == x and right["frame"][0] == x + w, f"{name}: panels do not frame the cursor")
        check(find(root, "finalshader")["frame"][0] == x and find(root, "downShader")["frame"][0] == x, f"{name}: bands apart")
        check(strip["contentOffset"] == [0.0, 0.0], f"{name}: strip not at its start")
        colours[(segment, row)] = sorted({str(c["background"]) for c in strip["children"] if c["background"]})
        check(os.path.getsize(os.path.join(out, name + ".png")) > 10000, f"{name}: screenshot looks empty")

for row in range(5):
    check(colours[(0, row)] != colours[(1, row)], f"song {row}: black-note mode looks like the colour mode")

library = json.load(open(os.path.join(out, "library.json")))
check(library["screen"] == "ModeSelectionViewController", "Songs did not return to the library")
check(find(library["root"], "modeControl")["selectedSegment"] == 2, "the mode was not kept")

if failures:
    sys.exit(1)
print("ok   5 songs x 3 modes open with the cursor on the first beat")
PY
