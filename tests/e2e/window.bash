# Sourced by the drive scripts that run BeatStrip's real window under Xvfb.

# Waits for the window of the BeatStrip process $1 and sets wid; gives up after 10 s.
wait_for_window() {
    local pid=$1
    wid=
    for _ in $(seq 100); do
        wid=$(xdotool search --name '^BeatStrip$' 2>/dev/null | head -1)
        [ -n "$wid" ] && break
        sleep 0.1
    done
    [ -n "$wid" ] || { echo "no window appeared"; kill "$pid"; exit 1; }
    # Give the first frame time to land before input arrives.
    sleep 0.5
    # SDL may replace the first X window when it sets up its renderer: take the one that is
    # mapped now, or clicks go to a window that no longer exists.
    local shown
    shown=$(xdotool search --onlyvisible --name '^BeatStrip$' 2>/dev/null | tail -1)
    [ -n "$shown" ] && wid=$shown
    return 0
}
