#!/usr/bin/env bash
# The program starts on the song library; --gallery starts on the kit gallery instead.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'dump start.json\n' >"$work/script.txt"
failures=0
for mode in library gallery; do
    flag=; [ "$mode" = gallery ] && flag=--gallery
    mkdir -p "$work/$mode"
    "$beatstrip" --headless $flag --home "$work/home" --script "$work/script.txt" --out "$work/$mode" 2>"$work/$mode.stderr" \
        || { echo "FAIL $mode: exited non-zero"; cat "$work/$mode.stderr"; failures=$((failures + 1)); continue; }
    screen=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["screen"])' "$work/$mode/start.json")
    expected=ModeSelectionViewController; [ "$mode" = gallery ] && expected=GalleryViewController
    if [ "$screen" = "$expected" ]; then echo "ok   $mode starts on $screen"; else echo "FAIL $mode starts on $screen"; failures=$((failures + 1)); fi
done
[ "$failures" -eq 0 ] || exit 1
