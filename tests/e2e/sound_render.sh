#!/usr/bin/env bash
# The sound of headless runs, rendered with --audio-out and read back: the first run switches the
# click and the count-in on, plays Ode to Joy (100 bpm, 4 beats a bar) with a bar counted in, then
# switches the count-in off and the notes on and plays again; a second run with the same home plays
# without touching a control and is heard with click and notes as left. A run without --audio-out
# writes no sound. The WAVs are kept in <build>/e2e-sound for a person to listen to.
set -u
beatstrip=$1
build=$2
work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
keep="$build/e2e-sound"
mkdir -p "$work/first" "$work/second" "$work/silent" "$keep"

cat >"$work/first.txt" <<'SCRIPT'
tap id:download
idle 30
wait 2
tap row:0
wait 1
key p
key m
key c
dump toggled.json
wait 0.5
tap id:play
wait 2.3
dump counting.json
wait 0.8
dump started.json
wait 0.2
tap id:pause
wait 1
key c
key n
tap id:play
wait 4
tap id:pause
wait 1
SCRIPT

cat >"$work/second.txt" <<'SCRIPT'
tap row:0
wait 1
tap id:play
wait 3
tap id:pause
wait 0.5
SCRIPT

failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/first.txt" --out "$work/first" \
    --audio-out "$work/first.wav" 2>"$work/first.stderr" || { fail "the first run exited non-zero"; tail -20 "$work/first.stderr"; }
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/second.txt" --out "$work/second" \
    --audio-out "$work/second.wav" 2>"$work/second.stderr" || { fail "the second run exited non-zero"; tail -20 "$work/second.stderr"; }
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home" --script "$work/second.txt" --out "$work/silent" \
    2>"$work/silent.stderr" || { fail "the silent run exited non-zero"; tail -20 "$work/silent.stderr"; }
[ -z "$(find "$work/silent" "$work/home" -name '*.wav')" ] || fail "a run without --audio-out wrote sound"
"$beatstrip" --audio-out "$work/x.wav" >/dev/null 2>&1 && fail "--audio-out without --headless was accepted"
cp "$work"/*.wav "$keep"/ 2>/dev/null

PYTHONPATH="$(dirname "$0")" python3 - "$work" <<'CHECK' || failures=$((failures + 1))
import math, os, sys, wave
work = sys.argv[1]
import checks
from checks import check, failures, find

RATE = 48000

def read(name):
    with wave.open(os.path.join(work, name)) as w:
        check(w.getframerate() == RATE and w.getnchannels() == 2 and w.getsampwidth() == 2,
              "%s is 48 kHz 16-bit stereo" % name)
        data = w.readframes(w.getnframes())
    left = [int.from_bytes(data[i:i + 2], "little", signed=True) / 32767 for i in range(0, len(data), 4)]
    return left

def onsets(x, quiet=100):
    found, silent = [], quiet
    for i, v in enumerate(x):
        if v == 0:
            silent += 1
            continue
        if silent >= quiet:
            found.append(i)
        silent = 0
    return found

def peak(x, a, b):
    return max((abs(v) for v in x[a:b]), default=0)

def goertzel(x, a, b, f):
    c = 2 * math.cos(2 * math.pi * f / RATE)
    s1 = s2 = 0.0
    for v in x[a:b]:
        s1, s2 = v + c * s1 - s2, s1
    return (s1 * s1 + s2 * s2 - c * s1 * s2) / ((b - a) ** 2)

def text(name, ident):
    view = find(checks.load(work, name)["root"], ident)
    return view and view.get("text")

beat = 60 / 100 * RATE  # 28800 frames

check(text("first/counting.json", "position").endswith("Beat 1"),
      "during the count-in the cursor waits on beat 1: %s" % text("first/counting.json", "position"))
check(text("first/started.json", "position").endswith("Beat 2"),
      "one bar and one beat after play it is on beat 2: %s" % text("first/started.json", "position"))

first = read("first.wav")
# The run's length: every wait of the script, 2 + 1 + 0.5 + 2.3 + 0.8 + 0.2 + 1 + 4 + 1 seconds.
check(abs(len(first) - 12.8 * RATE) <= 1, "the first WAV lasts as long as the run: %d frames" % len(first))
clicks = onsets(first)
check(len(clicks) >= 6, "four count-in clicks and two beats: %s" % clicks[:8])
if len(clicks) >= 6:
    gaps = [b - a for a, b in zip(clicks, clicks[1:6])]
    check(all(abs(g - beat) <= 1 for g in gaps), "every click 0.6 s after the last: %s" % gaps)
    check(peak(first, clicks[0], clicks[0] + 2400) > 1.3 * peak(first, clicks[1], clicks[1] + 2400), "the count-in's first click is accented")
    check(peak(first, clicks[4], clicks[4] + 2400) > 1.3 * peak(first, clicks[5], clicks[5] + 2400), "beat 1 is accented")
    check(abs(clicks[0] - round(3.5 * RATE)) <= 1, "play sounds at once: frame %d" % clicks[0])
# The second play at 3.5 + 3.3 + 1 = 7.8 s: Ode to Joy opens on F#4 (370 Hz), no count-in.
play = round(7.8 * RATE)
check(peak(first, round(6.9 * RATE), play) == 0, "silence after the pause")
e4 = goertzel(first, play + 2400, play + 24000, 369.99)
check(e4 > 10 * goertzel(first, play + 2400, play + 24000, 349.23), "the melody's F#4 sounds with notes on")

second = read("second.wav")
check(abs(len(second) - 4.5 * RATE) <= 1, "the second WAV lasts as long as its run: %d frames" % len(second))
start = round(1.0 * RATE)
later = onsets(second)
check(bool(later) and abs(later[0] - start) <= 1, "the second run clicks when play is tapped, no count-in: %s" % later[:3])
check(goertzel(second, start + 2400, start + 24000, 369.99) > 10 * goertzel(second, start + 2400, start + 24000, 349.23),
      "the notes are on as the first run left them")
sys.exit(1 if failures else 0)
CHECK
[ "$failures" -eq 0 ] || exit 1
