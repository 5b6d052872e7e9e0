#!/usr/bin/env bash
# Plays "Ode to Joy" (16 bars of 4 beats at tempo 100: 0.6 s beats, 60-point beats, 240-point
# bars) for a minute of clock time, then loops bars 3 to 5, steps by key, refuses a one-bar range,
# leaves, and plays the slow "Amazing Grace" (tempo 50) to light its quarter-beat circles. The
# dumps show the cursor and the scroll offset at chosen times; the log lines' manual-clock time
# stamps show every beat on its deadline.
# Usage: bash playback.sh <beatstrip> <build-dir> [keep-dir]  (keep-dir keeps the screenshots)
set -u
beatstrip=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -s "$build/content/data.zip" ] || { echo "FAIL: $build/content/data.zip is not built (target sample_package)"; exit 1; }
mkdir -p "$work/out"

cat >"$work/script.txt" <<'SCRIPT'
tap id:download
idle 30
wait 1
# Ode to Joy; play starts the clock at t = 2.
tap row:0
wait 1
tap id:play
wait 3.3
dump a.json
screenshot a.png
wait 6.8
dump b.json
screenshot b.png
wait 28.4
dump c.json
wait 21.8
dump d.json
screenshot d.png
# t = 62.3: pause, repeat bars 3 to 5, play again.
key space
dump paused.json
type id:start_TF 3
type id:end_TF 5
key return
select id:repeat_SC 1
dump range.json
key space
wait 7.5
dump e.json
screenshot e.png
# t = 69.8: a step by key restarts the beat from the key.
key right
wait 0.5
dump f.json
wait 0.2
# t = 70.5: pause, clear the range, try a one-bar range.
key space
select id:repeat_SC 0
type id:start_TF 5
type id:end_TF 5
key return
select id:repeat_SC 1
dump alert.json
tap id:alertButton0
dump refused.json
key escape
wait 5
dump library.json
# t = 75.5: Amazing Grace; play at 76.5, circles every 0.3 s.
tap row:1
wait 1
tap id:play
wait 0.45
dump g.json
screenshot g.png
SCRIPT

if ! "$beatstrip" --headless --home "$work/home" --script "$work/script.txt" --out "$work/out" >"$work/stdout" 2>"$work/stderr"; then
    echo "FAIL: the script failed"; tail -20 "$work/stderr"; exit 1
fi
[ $# -ge 3 ] && mkdir -p "$3" && cp "$work"/out/*.png "$3"/

PYTHONPATH="$(dirname "$0")" python3 - "$work/out" "$work/stderr" <<'CHECK'
import json, os, re, sys
out, stderr_path = sys.argv[1], sys.argv[2]
import checks
from checks import check, failures, find


def load(name):
    return checks.load(out, name)


def cursor(dump):
    """(beat's left edge on screen, beat width, scroll offset), after checking the five views agree."""
    root = dump["root"]
    up = find(root, "upShader")["frame"]
    x, w = up[0], up[2]
    left, right = find(root, "leftShader")["frame"], find(root, "rightShader")["frame"]
    agree = (left == [x - 1024, 0, 1024, 784] and right == [x + w, 0, 1024, 784]
             and find(root, "finalshader")["frame"] == [x, 165, w, 40] and find(root, "downShader")["frame"] == [x, 200, w, 40])
    check(agree, f"t={dump['time']:.1f}: the five cursor views frame the same beat")
    return x, w, find(root, "scrollView")["contentOffset"][0]

# Beat i of Ode to Joy lies at 60 i on the strip; the page turns entering bars 5, 9 and 13.
expectations = [
    ("a.json", 5.3, 0, 300, "5 steps: bar 2 beat 2"),
    ("b.json", 12.1, 960, 0, "16 steps: bar 5 beat 1, the page turned to bar 5"),
    ("c.json", 40.5, 0, 0, "64 steps: the song wrapped to its first beat"),
    ("d.json", 62.3, 1920, 240, "100 steps: bar 10 beat 1"),
    ("e.json", 69.8, 480, 0, "bars 3-5 looped back to bar 3 beat 1"),
    ("f.json", 70.3, 480, 60, "the key stepped to bar 3 beat 2; the next beat waits a full 0.6 s"),
]
for name, time, offset, x, what in expectations:
    dump = load(name)
    check(abs(dump["time"] - time) < 1e-6, f"{name} taken at {time}")
    cx, cw, cox = cursor(dump)
    check((cx, cw, cox) == (x, 60, offset), f"{what}: cursor at {cx} width {cw}, offset {cox}")

paused = load("paused.json")
check(find(paused["root"], "leftShader")["hidden"] and find(paused["root"], "rightShader")["hidden"], "pause hides the dimming panels")
check(find(paused["root"], "repeat_SC")["enabled"], "pause enables the repeat control")
rng = load("range.json")
check(find(rng["root"], "repeat_SC")["selectedSegment"] == 1 and rng["alert"] is None, "bars 3 to 5 accepted")
rx, _, rox = cursor(rng)
check((rx, rox) == (240, 480), f"the range jumps the strip to bar 3 and leaves the cursor: {rx}, {rox}")
e = load("e.json")
check(not find(e["root"], "repeat_SC")["enabled"], "playing disables the repeat control")

alert = load("alert.json")["alert"]
check(alert is not None and alert.get("title") == "Error" and alert.get("message") == "Starting bar cannot be same as ending bar",
      f"a one-bar range is refused: {alert}")
refused = load("refused.json")
check(refused["alert"] is None and find(refused["root"], "repeat_SC")["selectedSegment"] == 0, "the refusal turns the repeat off")
check(load("library.json")["screen"] == "ModeSelectionViewController", "escape returns to the library")

g = load("g.json")
gx, gw, _ = cursor(g)
circles = [find(g["root"], f"circle{i}") for i in range(4)]
check([c["frame"] for c in circles] == [[gx + 1.5 + 15 * i, 182, 12, 12] for i in range(4)], "the slow beat's circles sit in its quarters")
check([c["hidden"] for c in circles] == [True, False, True, True], "the second quarter lights the second circle")

# Log lines: "HH:MM:SS.mmm beatstrip[pid] message", stamped with the manual clock.
stamp = re.compile(r"^(\d\d):(\d\d):(\d\d)\.(\d\d\d) beatstrip\[\d+\] (.*)$")
lines = []
for raw in open(stderr_path, encoding="utf-8", errors="replace"):
    m = stamp.match(raw.rstrip("\n"))
    if m:
        h, mi, s, ms, text = m.groups()
        lines.append(((int(h) * 3600 + int(mi) * 60 + int(s)) * 1000 + int(ms), text))
shader = [t for t, text in lines if text == "Shader Timer started , Next: 0.600000"]
check(len(shader) > 0, "beat timer lines logged")
base = shader[0] - 2000 if shader else 0  # the time stamps are local time of day
check(base % (15 * 60 * 1000) == 0, "the log's clock starts on a time zone boundary")
ms = lambda seconds: base + round(seconds * 1000)

# Play at 2, 100 steps (two lines each) on the deadlines 2 + 0.6 k; play again at 62.3, twelve
# steps, the key at 69.8 and the beat it restarted at 70.4.
expected = [ms(2)] + [ms(2 + 0.6 * k) for k in range(1, 101) for _ in range(2)]
expected += [ms(62.3)] + [ms(62.3 + 0.6 * k) for k in range(1, 13) for _ in range(2)]
expected += [ms(69.8)] * 2 + [ms(70.4)] * 2
check(shader == expected, f"beat timer lines on their deadlines ({len(shader)} of {len(expected)})")
if shader != expected:
    for i, (a, b) in enumerate(zip(shader, expected)):
        if a != b:
            print(f"     first difference at line {i}: {a - base} ms, expected {b - base} ms")
            break
circle = [t for t, text in lines if text == "Circle Timer started , Next: 0.150000"]
check(circle == sorted(set(expected)), f"one quarter-beat line per beat ({len(circle)})")
skips = [(t, text) for t, text in lines if text.startswith("SKIPED")]
check(skips == [(ms(40.4), "SKIPED : 0"), (ms(62.3), "SKIPED : 960"), (ms(69.5), "SKIPED : 960"), (ms(70.5), "SKIPED : 0")],
      f"jumps: wrap, range, loop, clear: {[(t - base, x) for t, x in skips]}")
slow = [(t, text) for t, text in lines if text.startswith("Shader Timer started , Next: 1.2") or text.startswith("circleLife")]
check(slow == [(ms(76.5), "Shader Timer started , Next: 1.200000"), (ms(76.8), "circleLife  :  1")],
      f"the slow song's beat and first quarter: {[(t - base, x) for t, x in slow]}")
check(not [t for t, text in lines if "Timer started" in text and ms(70.5) < t < ms(76.5)], "nothing runs after leaving the player")

if failures:
    sys.exit(1)
CHECK
