#!/usr/bin/env bash
# The whole app in the real window: a click on Download fetches the bundled songs on the network
# thread, the window wakes for the completion and redraws, and the list shows the songs.
set -u
beatstrip=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
[ -s "$build/content/data.zip" ] || { echo "FAIL: $build/content/data.zip is not built (target sample_package)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/check.py" <<'CHECK'
import sys
sys.path.insert(0, sys.argv[1])
import png
width, height, rows = png.read(sys.argv[2])
def dark(x0, x1, y0, y1):
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if sum(rows[y][x][:3]) < 200)
first_row = dark(40, 300, 188, 212)
empty_hint = dark(300, 724, 420, 480)
ok = first_row > 100 and empty_hint == 0
if len(sys.argv) > 3:
    print(("ok   " if first_row > 100 else "FAIL ") + "the first song's title shows in the list (%d dark pixels)" % first_row)
    print(("ok   " if empty_hint == 0 else "FAIL ") + "the empty-list hint is gone (%d dark pixels)" % empty_hint)
sys.exit(0 if ok else 1)
CHECK

cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --home "$work/home" >"$work/stdout" 2>"$work/stderr" &
pid=$!
. "$E2E/window.bash"
wait_for_window $pid
xdotool mousemove --window "$wid" 912 38 click 1
# The list shows the songs once the download, the install and the redraw are done.
shows_songs() { python3 "$E2E/xshot.py" png "$wid" "$work/window.png" && python3 "$work/check.py" "$E2E" "$work/window.png"; }
wait_until 90 shows_songs
quit_window $pid
DRIVE

E2E="$here" timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$beatstrip" "$work" \
    || { echo "FAIL: the window run failed"; cat "$work/stdout" "$work/stderr"; exit 1; }

python3 "$work/check.py" "$here" "$work/window.png" report
