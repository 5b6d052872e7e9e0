#!/usr/bin/env bash
# A window with nothing to do sleeps: over two seconds of the song library standing still, the
# process uses next to no CPU (a polling loop would use a whole core).
set -u
beatstrip=$1
for tool in xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/measure.sh" <<'MEASURE'
set -u
beatstrip=$1 work=$2
# No timer armed at all: the loop must block in the event wait with no timeout.
"$beatstrip" --home "$work/home" >/dev/null 2>"$work/stderr" &
pid=$!
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# Measure from the moment the window shows its first picture.
. "$E2E/window.bash"
wait_for_window $pid
before=$(ticks)
sleep 2
after=$(ticks)
kill "$pid"
wait "$pid" 2>/dev/null
echo "$before $after $(getconf CLK_TCK)" >"$work/ticks"
MEASURE

E2E="$(cd "$(dirname "$0")" && pwd)" timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/measure.sh" "$beatstrip" "$work" || { echo "FAIL: the window run failed"; exit 1; }
read -r before after hz <"$work/ticks"
used=$((after - before))
# 5% of one core over the two seconds.
limit=$((hz * 2 / 20))
echo "CPU over 2 s idle: $used ticks (limit $limit, $hz a second)"
[ "$used" -le "$limit" ] || { echo "FAIL: the idle window keeps the CPU busy"; exit 1; }
echo "ok"
