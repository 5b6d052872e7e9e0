# Sourced by the drive scripts that run BeatStrip's real window under Xvfb. They wait for states
# (a window, a log line, a picture that changed and settled) with generous deadlines rather than
# sleeping a fixed time, so a busy machine makes them slower, not wrong.

# Runs "$@" every 0.1 s until it succeeds; fails after $1 seconds.
wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# Waits for the shown window of the BeatStrip process $1 and its first picture; sets wid.
wait_for_window() {
    local pid=$1
    wid=
    find_window() {
        kill -0 "$pid" 2>/dev/null || { echo "BeatStrip ended before its window appeared"; exit 1; }
        # SDL may replace the first X window when it sets up its renderer: take the one that is
        # mapped, or clicks go to a window that no longer exists.
        wid=$(xdotool search --onlyvisible --name '^BeatStrip$' 2>/dev/null | tail -1)
        [ -n "$wid" ]
    }
    wait_until 60 find_window || { echo "no window appeared"; kill "$pid"; exit 1; }
    wait_until 60 window_drawn || { echo "the window shows nothing"; kill "$pid"; exit 1; }
}

# A digest of what the window shows now.
window_picture() {
    python3 "$E2E/xshot.py" hash "$wid" 2>/dev/null
}

# True once the window shows more than one colour (the first frame has landed).
window_drawn() {
    python3 - "$E2E" "$wid" <<'PY' 2>/dev/null
import sys
sys.path.insert(0, sys.argv[1])
import xshot
width, height, rows = xshot.grab(int(sys.argv[2]))
sys.exit(0 if len({rows[y][x] for y in range(0, height, 16) for x in range(0, width, 16)}) > 1 else 1)
PY
}

# Waits until the picture differs from $1 and then holds still for a moment (an animation has
# finished). Fails after 60 s.
wait_for_change_from() {
    local before=$1 now
    changed() { now=$(window_picture); [ -n "$now" ] && [ "$now" != "$before" ]; }
    wait_until 60 changed && wait_for_still
}

# Waits until the picture holds still for a moment (a scroll or an animation has finished).
wait_for_still() {
    local last now
    now=$(window_picture)
    still() { last=$now; sleep 0.2; now=$(window_picture); [ -n "$now" ] && [ "$now" = "$last" ]; }
    wait_until 60 still
}

# Waits until the file $1 has a line matching the pattern $2. Fails after 60 s.
wait_for_line() {
    wait_until 60 grep -q -- "$2" "$1"
}

# Asks the program to quit as a closed window would and waits for it.
quit_window() {
    kill -TERM "$1" 2>/dev/null
    wait "$1"
}
