#!/usr/bin/env bash
# --frame-stats in the real window: the bundled songs are downloaded, Ode to Joy opens and plays
# for a while; on exit the program writes one JSON object with the frames' costs. While playing,
# a frame draws a small share of the window (the cursor's strip), not all of it.
# FRAME_STATS_SECONDS sets how long it plays (default 20); FRAME_STATS_KEEP=FILE keeps the JSON.
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
seconds=${FRAME_STATS_SECONDS:-20}

cat >"$work/drive.sh" <<'DRIVE'
set -u
beatstrip=$1 work=$2 seconds=$3
env -u BEATSTRIP_CONTENT_URL "$beatstrip" --home "$work/home" --frame-stats "$work/stats.json" \
    --screenshot-after $((seconds + 6)) "$work/window.png" >"$work/stdout" 2>"$work/stderr" &
pid=$!
. "$E2E/window.bash"
wait_for_window $pid
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; sleep 0.3; }
# Download, open Ode to Joy, Play.
click 912 38
sleep 2
click 170 200
sleep 1
click 137 740
wait $pid
DRIVE

E2E="$here" timeout $((seconds + 120)) xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$beatstrip" "$work" "$seconds" \
    || { echo "FAIL: the window run failed"; cat "$work/stdout" "$work/stderr"; exit 1; }
[ -n "${FRAME_STATS_KEEP:-}" ] && cp "$work/stats.json" "$FRAME_STATS_KEEP"

# The log is on stderr, or in the home folder's log file where the window keeps it there.
cat "$work/stderr" "$work"/home/beatstrip.log* >"$work/log" 2>/dev/null
python3 - "$work/stats.json" "$work/log" <<'CHECK'
import json, sys
ok = True
def check(cond, what):
    global ok
    print(("ok   " if cond else "FAIL ") + what)
    ok = ok and cond
try:
    stats = json.load(open(sys.argv[1]))
except Exception as e:
    print("FAIL the statistics file is not JSON: %s" % e)
    sys.exit(1)
print(json.dumps(stats))
check(isinstance(stats, dict) and set(stats) == {"frames", "renderMs", "uploadMs", "presentMs", "damagedFraction", "beatLatenessMs"},
      "one object with exactly the six keys")
for key in ("renderMs", "uploadMs", "presentMs", "beatLatenessMs"):
    check(set(stats.get(key, {})) == {"p50", "p99", "max"} and all(isinstance(v, (int, float)) for v in stats[key].values()),
          "%s has p50, p99 and max" % key)
check(set(stats.get("damagedFraction", {})) == {"p50", "max"}, "damagedFraction has p50 and max")
# A step logs the line twice (its own timer, then the next beat's); play logs it once.
beats = open(sys.argv[2]).read().count("Shader Timer started") // 2
check(beats >= 10, "the song played (%d beat steps logged)" % beats)
check(stats.get("frames", 0) >= beats, "a frame for every beat at least (%s frames)" % stats.get("frames"))
damaged = stats.get("damagedFraction", {})
check(damaged.get("max") == 1, "the first frame draws the whole window")
check(damaged.get("p50", 1) < 0.25, "while playing a frame draws a small share of the window (p50 %.3f)" % damaged.get("p50", 1))
late = stats.get("beatLatenessMs", {})
check(late.get("p50", 1e9) < 5, "timers fire close to their due time (p50 %.3f ms)" % late.get("p50", 1e9))
sys.exit(0 if ok else 1)
CHECK
