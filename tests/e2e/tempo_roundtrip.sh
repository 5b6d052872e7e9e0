#!/usr/bin/env bash
# Tempo edits survive a restart: one run downloads the bundled package, opens Ode to Joy, raises
# and lowers single beats, reveals a bar with a long press, raises the whole song, saves and goes
# back; a second run of the program with the same home opens the song again, shows the same
# tempi and plays the beats at them. Screenshots of the revealed controls and of the reopened
# song are kept in <build>/e2e-tempo for a person to look at; KEEP_WORK=1 keeps the work folder.
set -u
beatstrip=$1
build=$2
work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
keep="$build/e2e-tempo"
mkdir -p "$work/first" "$work/second" "$keep"

# Ode to Joy: 16 bars of 4 beats at 100. Beat key k has its button at tag k, "+" at k + 200,
# "-" at k + 500 and its tempo label at k + 800.
cat >"$work/edit.txt" <<'SCRIPT'
tap id:download
idle 30
wait 2
tap row:0
wait 1
dump opened.json
# Beat 2 up by one ("+" works after the touch, through the main queue).
tap tag:2
tap tag:202
wait 0.1
# Beat 3 down by two.
tap tag:3
tap tag:503
tap tag:503
# A long press on beat 6 reveals the whole second bar.
press tag:6 1
wait 0.1
dump edited.json
screenshot controls.png
# The whole song up by one, then save and leave.
tap id:increase
tap id:save
wait 0.1
dump saved.json
screenshot saved.png
tap id:back
wait 1
dump library.json
SCRIPT

cat >"$work/reopen.txt" <<'SCRIPT'
tap row:0
wait 1
dump reopened.json
screenshot reopened.png
# Beats 1 to 3 at 101, 102 and 99 last 0.594, 0.588 and 0.606 s.
tap id:play
wait 1.2
tap id:pause
SCRIPT

failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/edit.txt" --out "$work/first" \
    2>"$work/first.stderr" || { fail "the editing run exited non-zero"; cat "$work/first.stderr"; }
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/reopen.txt" --out "$work/second" \
    2>"$work/second.stderr" || { fail "the reopening run exited non-zero"; cat "$work/second.stderr"; }
cp "$work"/first/*.png "$work"/second/*.png "$keep"/ 2>/dev/null

PYTHONPATH="$(dirname "$0")" python3 - "$work" <<'CHECK' || failures=$((failures + 1))
import json, os, re, sqlite3, sys
work = sys.argv[1]
import checks
from checks import check, failures, walk


def load(name):
    return checks.load(work, name)

def by_tag(dump):
    return {v["tag"]: v for v in walk(dump["root"]) if v.get("tag")}

# A tempo label is made when it is first shown, so a dump holds the labels shown so far: beat
# key -> text.
def labels(dump):
    tags = by_tag(dump)
    return {k: tags[800 + k]["text"] for k in range(1, 65) if 800 + k in tags}

# Whether every label in the dump reads the tempo of its beat in `tempi` (one text per beat) and
# the beats in `keys` have theirs.
def labels_read(dump, tempi, keys):
    found = labels(dump)
    return set(keys) <= set(found) and all(text == tempi[k - 1] for k, text in found.items())

def shown(dump, base):
    tags = by_tag(dump)
    return [k for k in range(1, 65) if base + k in tags and not tags[base + k]["hidden"]]

opened = load("first/opened.json")
check(opened["screen"] == "ViewController", "the first song opens in the player")
check(shown(opened, 800) == [1 + 4 * b for b in range(16)], "one tempo label per even bar")
check(labels_read(opened, ["100"] * 64, [1 + 4 * b for b in range(16)]), "Ode to Joy starts with its beats at 100")

edited = load("first/edited.json")
after_steps = ["100", "101", "98"] + ["100"] * 61
check(labels_read(edited, after_steps, [1, 2, 3, 5, 6, 7, 8]), "beat 2 went up by one and beat 3 down by two")
check(shown(edited, 200) == [2, 3, 5, 6, 7, 8], "touched beats and the long-pressed bar show their \"+\"")
check(shown(edited, 500) == [2, 3, 5, 6, 7, 8], "... and their \"-\"")

saved = load("first/saved.json")
expected = ["101", "102", "99"] + ["101"] * 61
check(labels_read(saved, expected, [1, 2, 3, 4] + [1 + 4 * b for b in range(1, 16)]), "the whole song went up by one")
check(shown(saved, 200) == [] and shown(saved, 500) == [], "saving hides every step button")
check(shown(saved, 800) == [1, 2, 3, 4] + [1 + 4 * b for b in range(1, 16)], "the changed bar shows every label")
check(load("first/library.json")["screen"] == "ModeSelectionViewController", "back on the library after leaving")

db = sqlite3.connect(os.path.join(work, "home", "settings.sqlite"))
rows = db.execute("SELECT key, value FROM defaults").fetchall()
stored = {key: json.loads(value) for key, value in rows}
check("ode_to_joy" in stored, "the settings store holds the beat list under the song name")
if "ode_to_joy" in stored:
    check([row["tempo (40)"] for row in stored["ode_to_joy"]] == expected, "the stored beat list holds the edited tempi")

reopened = load("second/reopened.json")
check(reopened["screen"] == "ViewController", "the second run opens the song")
check(labels_read(reopened, expected, shown(saved, 800)), "a new process shows the saved tempi")
check(shown(reopened, 800) == shown(saved, 800), "and arranges the labels as before")

played = re.findall(r"Shader Timer started , Next: ([0-9.]+)$", open(os.path.join(work, "second.stderr")).read(), re.M)
# A step may re-arm the timer for the beat it leaves before arming it for the next one: the
# lengths in order of first appearance are the beats' lengths.
lengths = [d for i, d in enumerate(played) if d not in played[:i]]
check(lengths[:3] == ["0.594059", "0.588235", "0.606061"], "and plays them: %s" % lengths[:3])

log = open(os.path.join(work, "first.stderr")).read()
check(re.search(r"beatstrip\[\d+\] 1$", log, re.M) is not None, "\"+\" logs the beat's position")
check(re.search(r"beatstrip\[\d+\] \{120, 4\}$", log, re.M) is not None, "\"-\" logs where its label is")
check(re.search(r"beatstrip\[\d+\] 2$", log, re.M) is not None, "\"-\" logs the beat's position")
sys.exit(1 if failures else 0)
CHECK
[ "$failures" -eq 0 ] || exit 1
