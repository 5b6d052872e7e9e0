#!/usr/bin/env bash
# Playing along, headless: a small song is imported from a MIDI file, then performances written
# as MIDI files are replayed with --midi-in on the manual clock. Every note on time is all hits
# and the pass is kept; 150 ms late with the default 100 ms tolerance misses every note; a wrong
# key counts as wrong; in wait mode the cursor stays on a beat until the chord's last note, then
# runs on its deadlines from there. Without --midi-in (and no MIDI device) the panel says
# "No MIDI input" and the song plays as before; an unreadable file is refused.
set -u
beatstrip=$1
work=$(mktemp -d /tmp/beatstrip-e2e-play-XXXXXX)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# Two bars of 4/4 at 120 bpm: a C major chord, then D E F G G F E, a quarter note each.
python3 - "$work" <<'PY'
import os, struct, sys
work = sys.argv[1]

def var(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))

def smf(name, notes, bpm=120):
    """notes: (start seconds, length seconds, pitch)"""
    tps = 960 * bpm / 60
    events = []
    for s, l, p in notes:
        events.append((round(s * tps), 1, p))
        events.append((round((s + l) * tps), 0, p))
    events.sort(key=lambda e: (e[0], e[1]))
    track = var(0) + b"\xff\x51\x03" + round(60000000 / bpm).to_bytes(3, "big")
    track += var(0) + b"\xff\x58\x04\x04\x02\x18\x08"
    last = 0
    for t, on, p in events:
        track += var(t - last) + bytes([0x90 if on else 0x80, p, 90 if on else 0])
        last = t
    track += var(0) + b"\xff\x2f\x00"
    with open(os.path.join(work, name), "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 960) + b"MTrk" + struct.pack(">I", len(track)) + track)

song = [(0, 0.45, 60), (0, 0.45, 64), (0, 0.45, 67), (0.5, 0.45, 62), (1.0, 0.45, 64), (1.5, 0.45, 65),
        (2.0, 0.45, 67), (2.5, 0.45, 67), (3.0, 0.45, 65), (3.5, 0.45, 64)]
smf("song.mid", song)
smf("ontime.mid", [(s + 0.01, l, p) for s, l, p in song])
smf("late.mid", [(s + 0.16, l, p) for s, l, p in song])
wrong = [(s + 0.01, l, 61 if p == 62 else p) for s, l, p in song]
smf("wrong.mid", wrong)
# The chord note by note until 0.8 s; 62 at 1.5 s, 0.2 s after its beat is reached.
smf("wait.mid", [(0.3, 0.1, 60), (0.5, 0.5, 64), (0.8, 0.3, 67), (1.5, 0.2, 62), (2.0, 0.2, 64)])
PY
"$beatstrip" import "$work/song.mid" --home "$work/home" >/dev/null || fail "the song could not be imported"

# Runs a script on a copy of the imported home: play [NAME] SCRIPT [--midi-in FILE]
play() {
    local name=$1 script=$2
    shift 2
    rm -rf "$work/$name"
    mkdir -p "$work/$name"
    cp -r "$work/home" "$work/$name/home"
    printf '%s\n' "$script" >"$work/$name/script.txt"
    "$beatstrip" --headless --home "$work/$name/home" --script "$work/$name/script.txt" --out "$work/$name" "$@" \
        2>"$work/$name/stderr" || { fail "the $name run exited non-zero"; tail -5 "$work/$name/stderr"; }
}

# row:0 is the "My songs" heading; row:1 the imported song.
whole='tap row:1
wait 1
key p
tap id:play
wait 3.9
dump played.json
screenshot played.png
wait 0.2
dump pass.json'
play ontime "$whole" --midi-in "$work/ontime.mid"
play late "$whole" --midi-in "$work/late.mid"
play wrong "$whole" --midi-in "$work/wrong.mid"
play wait 'tap row:1
wait 1
key p
key w
tap id:play
wait 0.79
dump w079.json
wait 0.5
dump w129.json
wait 0.02
dump w131.json
wait 0.68
dump w199.json
wait 0.02
dump w201.json' --midi-in "$work/wait.mid"
play nokeys 'tap row:1
wait 1
key p
tap id:play
wait 1.6
dump played.json' 

"$beatstrip" --headless --midi-in "$work/missing.mid" --script /dev/null --out "$work/x" 2>"$work/missing.err"
[ $? -eq 2 ] || fail "a missing MIDI file was not refused with status 2"
grep -qF "cannot read the MIDI file $work/missing.mid" "$work/missing.err" || fail "missing file message: $(cat "$work/missing.err")"
"$beatstrip" --help | grep -q -- "--midi-in FILE" || fail "--help does not list --midi-in"

PYTHONPATH="$(dirname "$0")" python3 - "$work" <<'CHECK' || failures=$((failures + 1))
import os, sys
import checks
from checks import check, failures, find, load, walk

work = sys.argv[1]

def text(dump, ident):
    view = find(dump["root"], ident)
    return None if view is None else (view.get("text") if "text" in view else view.get("title"))

def shown(dump, ident):
    return sum(1 for v in walk(dump["root"]) if v.get("id") == ident and not v["hidden"])

played = load(os.path.join(work, "ontime"), "played.json")
check(text(played, "midiInput") == "MIDI: ontime.mid", "the panel names the replayed file")
check(text(played, "score") == "Hits 10 / 10 \u00b7 0 wrong", "on time: every note is a hit (%s)" % text(played, "score"))
check(shown(played, "markOnTime") == 10, "on time: ten on-time marks on the strip")
held = find(played["root"], "heldKey64")
check(held is not None and not held["hidden"], "the key held at the end (E4) is lit in the key")
key = find(played["root"], "keyView")
check(held is not None and held["windowFrame"][0] == key["windowFrame"][0], "the lit key lies in the key beside the strip")
passed = load(os.path.join(work, "ontime"), "pass.json")
check(text(passed, "history") == "Last: 100%@100", "the pass is kept in the history (%s)" % text(passed, "history"))
check(text(passed, "best") == "Best at 100 %: 100 %", "the best at this speed is shown (%s)" % text(passed, "best"))

late = load(os.path.join(work, "late"), "played.json")
check(text(late, "score") == "Hits 0 / 10 \u00b7 0 wrong", "150 ms late: every note is missed (%s)" % text(late, "score"))
check(shown(late, "markLate") == 10, "150 ms late: ten late marks")

wrong = load(os.path.join(work, "wrong"), "played.json")
check(text(wrong, "score") == "Hits 9 / 10 \u00b7 1 wrong", "a wrong key counts as wrong (%s)" % text(wrong, "score"))
check(shown(wrong, "markWrong") == 1, "one wrong mark")

beats = {}
for name in ("w079", "w129", "w131", "w199", "w201"):
    beats[name] = text(load(os.path.join(work, "wait"), name + ".json"), "position")
check(load(os.path.join(work, "wait"), "w079.json") and text(load(os.path.join(work, "wait"), "w079.json"), "score") == "Wait mode",
      "the score says wait mode")
check(beats["w079"].endswith("Beat 1"), "wait mode: two notes of the chord are not enough (%s)" % beats["w079"])
check(beats["w129"].endswith("Beat 1"), "wait mode: the beat runs its full length from the chord's last note")
check(beats["w131"].endswith("Beat 2"), "wait mode: and then the cursor goes on (%s)" % beats["w131"])
check(beats["w199"].endswith("Beat 2"), "wait mode: the next beat waits for its note, played 0.2 s late")
check(beats["w201"].endswith("Beat 3"), "wait mode: on its deadline from there (%s)" % beats["w201"])

nokeys = load(os.path.join(work, "nokeys"), "played.json")
check(text(nokeys, "midiInput") == "No MIDI input", "without a MIDI input the panel says so")
check(text(nokeys, "position").endswith("Beat 4"), "and the song plays as before (%s)" % text(nokeys, "position"))
check(text(nokeys, "score") == "Hits 0 / 6 \u00b7 0 wrong", "the notes reached are counted (%s)" % text(nokeys, "score"))
sys.exit(1 if checks.failures else 0)
CHECK

[ $failures -eq 0 ] && echo "play along: all checks passed"
[ $failures -eq 0 ]
