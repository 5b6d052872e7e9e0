#!/usr/bin/env bash
# A headless script drives the kit gallery through taps, a segment choice, a slider drag, typing,
# keys, a long press, an animation and an alert, and the dumps and log lines show each effect at
# the manual clock's exact times.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"

cat >"$work/script.txt" <<'SCRIPT'
# Taps reach enabled buttons only.
dump start.json
tap id:galleryButton
tap id:galleryButton
tap id:galleryDisabled
dump taps.json

select id:gallerySegments 2
slide id:gallerySlider 0.75
type id:galleryField Hello, BeatStrip # typed, not a comment
dump typed.json
key return
dump returned.json
tap row:3
dump row3.json
tap row:30
dump row30.json

press id:galleryPressArea 0.8
dump pressed.json

tap id:galleryFadeButton
wait 0.25
dump fading.json
wait 1
dump faded.json

tap id:galleryAlertButton
dump alert.json
tap id:galleryButton
dump modal.json
tap id:alertButton1
key space
dump end.json
screenshot sub/end.png
SCRIPT

if ! "$beatstrip" --headless --gallery --home "$work/home" --script "$work/script.txt" --out "$work/out" \
        >"$work/stdout" 2>"$work/stderr"; then
    echo "FAIL: the script failed"; cat "$work/stderr"; exit 1
fi

PYTHONPATH="$(dirname "$0")" python3 - "$work/out" "$work/stderr" <<'CHECK'
import json, os, re, struct, sys
out, stderr_path = sys.argv[1], sys.argv[2]
import checks
from checks import check, failures, find


def load(name):
    return checks.load(out, name)


def status(dump):
    return find(dump["root"], "galleryStatus")["text"]

start = load("start.json")
check(start["screen"] == "GalleryViewController", "the screen is the gallery")
check(start["alert"] is None, "no alert at the start")
check(start["time"] == 0, "the clock starts at 0")
root = start["root"]
check(root["frame"] == [0, 0, 1024, 768], "the root view fills the window")
for key in ["class", "id", "tag", "frame", "windowFrame", "hidden", "alpha", "zPosition", "background", "borderWidth", "children"]:
    check(key in root, "every view has '%s'" % key)
button = find(root, "galleryButton")
check(button["class"] == "Button" and button["title"] == "Tap me", "the button dumps its class and title")
check(button["enabled"] is True and find(root, "galleryDisabled")["enabled"] is False, "buttons dump whether they are enabled")
strip = find(root, "galleryStrip")
check(strip["class"] == "ScrollView" and strip["contentSize"][0] > strip["frame"][2], "the strip scrolls sideways")
check(status(start) == "Ready", "status starts Ready")
masked = find(root, "galleryMasked")
child = find(masked, "galleryMaskedChild")
check(child["windowFrame"][0] + child["windowFrame"][2] > masked["windowFrame"][0] + masked["windowFrame"][2],
      "the masked view's child stands outside it")

check(status(load("taps.json")) == "Button tapped 2", "two taps counted, the disabled button sent nothing")

typed = load("typed.json")
check(find(typed["root"], "gallerySegments")["selectedSegment"] == 2, "segment 2 selected")
check(abs(find(typed["root"], "gallerySlider")["value"] - 0.75) < 0.02, "slider dragged to 0.75")
check(find(typed["root"], "galleryField")["text"] == "Hello, BeatStrip # typed, not a comment", "typed text replaces the field's text")

check(status(load("returned.json")) == "Returned: Hello, BeatStrip # typed, not a comment", "return asked the delegate")
check(status(load("row3.json")) == "Row 3 selected", "row 3 tapped after the return key")
row30 = load("row30.json")
check(status(row30) == "Row 30 selected", "row 30 tapped after scrolling to it")
check(find(row30["root"], "galleryTable")["contentOffset"][1] > 0, "the table scrolled to reach row 30")

pressed = load("pressed.json")
check(status(pressed) == "Long press ended", "the long press ended")
check(abs(pressed["time"] - 0.8) < 1e-9, "press held the clock for 0.8 s")

fading = load("fading.json")
alpha = find(fading["root"], "galleryFadeBox")["alpha"]
check(0.2 < alpha < 0.8, "half way through the fade out the box is half transparent (%.3f)" % alpha)
check(abs(fading["time"] - 1.05) < 1e-9, "wait moved the clock to 1.05")
faded = load("faded.json")
check(find(faded["root"], "galleryFadeBox")["alpha"] == 1, "the fade came back to opaque")
check(status(faded) == "Fade finished", "the fade's completion ran")

alert = load("alert.json")
check(alert["alert"] == {"title": "Gallery", "message": "An alert with two buttons", "buttons": ["Cancel", "OK"]},
      "the dump shows the alert")
check(status(load("modal.json")) == "Alert shown", "a tap behind the alert did nothing")
end = load("end.json")
check(end["alert"] is None, "the alert went")
check(status(end) == "Key space", "space reached the screen after the alert button")

with open(os.path.join(out, "sub", "end.png"), "rb") as f:
    head = f.read(24)
check(head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (1024, 768), "screenshot is a 1024 x 768 PNG")

log = open(stderr_path).read()
check(re.search(r"^00:00:00\.500 beatstrip\[\d+\] Gallery: Long press began$", log, re.M) is not None,
      "the long press began at 0.5 s of the manual clock, as the log line's stamp says")
check(re.search(r"Gallery: Alert button 1$", log, re.M) is not None, "the alert's handler logged its button")
sys.exit(1 if failures else 0)
CHECK
