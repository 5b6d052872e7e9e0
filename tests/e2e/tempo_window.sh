#!/usr/bin/env bash
# Tempo editing in the real window: clicks download the bundled songs, open Ode to Joy, raise
# beat 2, lower beat 3 and save; after the program has quit, a headless run with the same home
# opens the song and shows the edited tempi.
set -u
beatstrip=$1
build=$2
for tool in xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
[ -s "$build/content/data.zip" ] || { echo "FAIL: $build/content/data.zip is not built (target sample_package)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"

# Ode to Joy: beat k's button spans x 60(k-1) to 60k, y 18 to 108; its "+" stands at its top left
# (y 18 to 43) and its "-" stands at y 84 to 109. Save and Songs are in the toolbar.
cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --home "$work/home" >"$work/stdout" 2>"$work/stderr" &
pid=$!
. "$E2E/window.bash"
wait_for_window $pid
# Each click waits for the picture it causes (a list, a new screen, a changed label) to settle.
click() {
    local before
    before=$(window_picture)
    xdotool mousemove --window "$wid" "$1" "$2" click 1
    wait_for_change_from "$before" || echo "nothing changed after the click at $1, $2" >>"$work/steps"
}
# The download: the busy overlay first, then the list of songs.
xdotool mousemove --window "$wid" 912 38 click 1
lists_songs() {
    python3 - "$E2E" "$wid" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import xshot
width, height, rows = xshot.grab(int(sys.argv[2]))
dark = sum(1 for y in range(188, 212) for x in range(40, 300) if sum(rows[y][x][:3]) < 200)
sys.exit(0 if dark > 100 else 1)
PY
}
wait_until 90 lists_songs || echo "the songs did not show" >>"$work/steps"
wait_for_still
click 170 200
click 90 70
click 72 30
click 150 70
click 132 96
click 989 740
python3 "$E2E/xshot.py" png "$wid" "$work/window.png"
quit_window $pid
DRIVE

E2E="$(cd "$(dirname "$0")" && pwd)" timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$beatstrip" "$work" \
    || { echo "FAIL: the window run failed"; cat "$work/stdout" "$work/stderr"; exit 1; }
[ -s "$work/steps" ] && cat "$work/steps"
cp "$work/window.png" "$build/e2e-tempo-window.png" 2>/dev/null

printf 'tap row:0\nwait 1\ndump reopened.json\n' >"$work/reopen.txt"
"$beatstrip" --headless --home "$work/home" --script "$work/reopen.txt" --out "$work/out" 2>"$work/reopen.stderr" \
    || { echo "FAIL: the headless run failed"; cat "$work/reopen.stderr"; exit 1; }

python3 - "$work/out/reopened.json" <<'CHECK'
import json, sys
dump = json.load(open(sys.argv[1]))
def walk(view):
    yield view
    for child in view["children"]:
        yield from walk(child)
tags = {v["tag"]: v for v in walk(dump["root"]) if v.get("tag")}
# Labels are made when first shown: the edited bar shows all four, every other bar one.
labels = {k: tags[800 + k]["text"] for k in range(1, 65) if 800 + k in tags}
expected = ["100", "101", "99"] + ["100"] * 61
ok = {1, 2, 3, 4} <= set(labels) and all(text == expected[k - 1] for k, text in labels.items())
print(("ok   " if ok else "FAIL ") + "tempi edited in the window come back after a restart: %s" % [labels.get(k) for k in range(1, 6)])
sys.exit(0 if ok else 1)
CHECK
