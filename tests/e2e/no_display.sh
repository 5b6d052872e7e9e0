#!/usr/bin/env bash
# Without a display the program says so, plays its built-in demo headless and tells where the
# screenshots are.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER TMPDIR="$work" \
    "$beatstrip" --gallery --home "$work/home" >"$work/stdout" 2>"$work/stderr"
status=$?
[ "$status" -eq 0 ] || { fail "exited $status"; cat "$work/stderr"; }
grep -q "no display" "$work/stderr" || fail "does not say there is no display"
folder=$(sed -n 's/^Done. The demo.s screenshots are in //p' "$work/stdout")
[ -n "$folder" ] || { fail "does not say where the screenshots are"; cat "$work/stdout"; }
case "$folder" in "$work"/beatstrip-demo-*) ;; *) fail "screenshots went to '$folder', not a fresh folder in TMPDIR" ;; esac
for shot in 01-gallery.png 02-controls.png 03-alert.png; do
    [ -s "$folder/$shot" ] || fail "missing $shot"
done
[ -s "$folder/gallery.json" ] || fail "missing the demo's dump"

# --out chooses the folder.
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
    "$beatstrip" --gallery --home "$work/home" --out "$work/chosen" >"$work/stdout2" 2>/dev/null || fail "second run failed"
grep -q "screenshots are in $work/chosen" "$work/stdout2" || fail "--out was not used"
[ -s "$work/chosen/01-gallery.png" ] || fail "no screenshot in the --out folder"

# Without --gallery the demo fetches the bundled songs, opens the first and plays it.
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u BEATSTRIP_CONTENT_URL \
    "$beatstrip" --home "$work/home-library" --out "$work/library" >"$work/stdout3" 2>"$work/stderr3" \
    || { fail "the library demo failed"; tail -5 "$work/stderr3"; }
for shot in 01-library.png 02-songs.png 03-player.png 04-playing.png; do
    [ -s "$work/library/$shot" ] || fail "the library demo left no $shot"
done
screen=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["screen"])' "$work/library/player.json" 2>/dev/null)
[ "$screen" = ViewController ] || fail "the library demo ended on '$screen', not the player"

[ "$failures" -eq 0 ] && echo "ok" || exit 1
