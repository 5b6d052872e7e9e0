#!/usr/bin/env bash
# A practice session survives a restart: one run opens Ode to Joy, opens the practice panel,
# repeats bars 3 to 5, darkens the shade and lets the speed trainer bring the passage from 70 %
# to 100 %, then leaves; a second run of the program with the same home opens the song again and
# finds the same bars repeating (band shown), the same shade and the speed the trainer reached.
# Screenshots of the open panel, the loop band and the help in every display mode are kept in
# <build>/e2e-practice for a person to look at; KEEP_WORK=1 keeps the work folder.
set -u
beatstrip=$1
build=$2
work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
keep="$build/e2e-practice"
mkdir -p "$work/first" "$work/second" "$keep"

# Ode to Joy: 16 bars of 4 beats at 100. Bars 3 to 5 are 12 beats: a pass lasts 7.2 s at 100 %,
# and the passes at 70, 75, ..., 95 % add up to about 53 s.
cat >"$work/practise.txt" <<'SCRIPT'
tap id:download
idle 30
wait 2
tap row:0
wait 1
key p
type id:start_TF 3
type id:end_TF 5
key return
select id:repeat_SC 1
slide id:opacity 0.7
tap id:trainer
dump trainer.json
tap id:play
wait 20
dump training.json
screenshot training.png
wait 40
dump trained.json
tap id:pause
key escape
wait 1
dump library.json
SCRIPT

{
    echo "tap row:0"
    echo "wait 1"
    echo "dump reopened.json"
    echo "key p"
    echo "dump panel.json"
    echo "tap id:back"
    echo "wait 1"
    # The panel, the band and the help in each display mode, for a person to look at.
    for segment in 0 1 2; do
        echo "select id:modeControl $segment"
        echo "tap row:0"
        echo "wait 1"
        echo "key p"
        echo "key pagedown"
        echo "screenshot panel-mode$((segment + 1)).png"
        echo "key p"
        echo "screenshot band-mode$((segment + 1)).png"
        echo "key question"
        echo "screenshot help-mode$((segment + 1)).png"
        echo "key space"
        echo "dump help-closed-$((segment + 1)).json"
        echo "tap id:back"
        echo "wait 1"
    done
    echo "key down"
    echo "key down"
    echo "key up"
    echo "dump library.json"
    echo "key return"
    echo "wait 1"
    echo "dump second-song.json"
} >"$work/reopen.txt"

failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/practise.txt" --out "$work/first" \
    2>"$work/first.stderr" || { fail "the practising run exited non-zero"; tail -20 "$work/first.stderr"; }
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/reopen.txt" --out "$work/second" \
    2>"$work/second.stderr" || { fail "the reopening run exited non-zero"; tail -20 "$work/second.stderr"; }
cp "$work"/first/*.png "$work"/second/*.png "$keep"/ 2>/dev/null

PYTHONPATH="$(dirname "$0")" python3 - "$work" <<'CHECK' || failures=$((failures + 1))
import os, sys
work = sys.argv[1]
import checks
from checks import check, failures, find

def load(name):
    return checks.load(work, name)

def text(dump, ident):
    view = find(dump["root"], ident)
    return view and view.get("text")

def value(dump, ident):
    view = find(dump["root"], ident)
    return view and view.get("value")

trainer = load("first/trainer.json")
check(text(trainer, "speedLabel") == "70 %", "the trainer starts at 70 %%: %s" % text(trainer, "speedLabel"))
check(text(trainer, "position").startswith("Bar 3 / 16"), "repeating bars 3 to 5 starts at bar 3: %s" % text(trainer, "position"))
training = load("first/training.json")
check(text(training, "speedLabel") in ("80 %", "85 %"), "after 20 s two passes have raised it: %s" % text(training, "speedLabel"))
trained = load("first/trained.json")
check(text(trained, "speedLabel") == "100 %", "after 60 s the target is reached: %s" % text(trained, "speedLabel"))
check(value(trained, "speed") == 100, "the slider follows: %s" % value(trained, "speed"))
check(load("first/library.json")["screen"] == "ModeSelectionViewController", "escape leaves without asking (no tempo edits)")

reopened = load("second/reopened.json")
check(reopened["screen"] == "ViewController", "the second run opens the song")
check(find(reopened["root"], "repeat_SC").get("selectedSegment") == 1, "the repeat control is on Repeat bars")
check(text(reopened, "start_TF") == "3" and text(reopened, "end_TF") == "5", "with its fields filled")
band = find(reopened["root"], "loopBand")
check(band is not None and not band["hidden"], "the loop band is shown")
check(abs(value(reopened, "opacity") - 0.7) < 0.01, "the shade is as left: %s" % value(reopened, "opacity"))
check(text(reopened, "speedLabel") == "100 %", "the speed is as left: %s" % text(reopened, "speedLabel"))
check(find(reopened["root"], "practicePanel")["hidden"], "the panel starts closed")
check(not find(load("second/panel.json")["root"], "practicePanel")["hidden"], "key p opens it")
for mode in (1, 2, 3):
    closed = load("second/help-closed-%d.json" % mode)
    check(find(closed["root"], "helpOverlay") is None, "mode %d: a key closes the help" % mode)
    check(text(closed, "position").startswith("Bar 4 / 16"), "mode %d: page down went to the next bar: %s" % (mode, text(closed, "position")))
library = load("second/library.json")
check(library["screen"] == "ModeSelectionViewController", "back on the library")
check(load("second/second-song.json")["screen"] == "ViewController", "return opens the selected song")
sys.exit(1 if failures else 0)
CHECK
[ "$failures" -eq 0 ] || exit 1
