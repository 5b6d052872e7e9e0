#!/usr/bin/env bash
# `beatstrip import` turns score files into songs of the home's imported folder, prints what it
# made, and refuses bad files with a message naming each and status 1, leaving nothing behind.
set -u
beatstrip=$1
build=${2:-}
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
work=$(mktemp -d /tmp/beatstrip-e2e-import-XXXXXX)
trap 'rm -rf "$work"' EXIT
home=$work/home

cat >"$work/waltz.musicxml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<score-partwise version="4.0"><work><work-title>Tiny Waltz</work-title></work>
<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list>
<part id="P1">
<measure number="1"><attributes><divisions>1</divisions><time><beats>3</beats><beat-type>4</beat-type></time></attributes>
<note><pitch><step>C</step><octave>4</octave></pitch><duration>3</duration></note></measure>
<measure number="2"><attributes><time><beats>2</beats><beat-type>4</beat-type></time></attributes>
<note><pitch><step>E</step><octave>4</octave></pitch><duration>2</duration></note></measure>
</part></score-partwise>
XML
printf 'not a score' >"$work/words.txt"

out=$("$beatstrip" import "$work/waltz.musicxml" --home "$home") || fail "a good file exited non-zero"
grep -qF '"Tiny Waltz" (tiny_waltz.csv): 2 bars, 5 beats, 1 part, 2 notes' <<<"$out" || fail "report was: $out"
[ -f "$home/Documents/imported/tiny_waltz.csv" ] || fail "no song file in the imported folder"
grep -qF '"fileName": "Tiny Waltz"' "$home/Documents/imported/info.json" || fail "no index entry"
[ -e "$home/Documents/data" ] && fail "import touched the downloaded songs' folder"

"$beatstrip" import "$work/waltz.musicxml" --title "Other name" --home "$home" >/dev/null || fail "--title exited non-zero"
grep -qF '"fileName": "Other name"' "$home/Documents/imported/info.json" || fail "--title was not used"

before=$(ls -a "$home/Documents/imported" | tr '\n' ' ')
err=$("$beatstrip" import "$work/words.txt" "$work/missing.mid" --home "$home" 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "bad files exited $status, not 1"
grep -qF "words.txt: it is neither a MusicXML nor a MIDI file" <<<"$err" || fail "message for words.txt was: $err"
grep -qF "missing.mid: no such file" <<<"$err" || fail "message for missing.mid was: $err"
after=$(ls -a "$home/Documents/imported" | tr '\n' ' ')
[ "$before" = "$after" ] || fail "a failed import changed the folder: $before -> $after"

"$beatstrip" import 2>/dev/null; [ $? -eq 2 ] || fail "import without files is not a usage error"

# Download installs the package beside the imported songs and leaves them alone; the library lists
# the downloaded songs, then "My songs".
if [ -n "$build" ] && [ -s "$build/content/data.zip" ]; then
    before=$(cd "$home/Documents/imported" && ls -a && cat info.json tiny_waltz.csv | md5sum)
    printf 'tap id:download\nidle 30\nwait 2\ndump songs.json\n' >"$work/script.txt"
    "$beatstrip" --headless --script "$work/script.txt" --out "$work/out" --home "$home" >/dev/null 2>&1 || fail "the download script failed"
    after=$(cd "$home/Documents/imported" && ls -a && cat info.json tiny_waltz.csv | md5sum)
    [ "$before" = "$after" ] || fail "Download changed the imported songs"
    [ -f "$home/Documents/data/data/info.json" ] || fail "the download installed nothing"
    python3 - "$work/out/songs.json" <<'PY' || fail "the library does not list the downloaded songs, then My songs"
import json, sys
texts = []
def walk(node):
    if isinstance(node, dict):
        if node.get("text"):
            texts.append(node["text"])
        for value in node.values():
            walk(value)
    elif isinstance(node, list):
        for value in node:
            walk(value)
walk(json.load(open(sys.argv[1])))
heading = texts.index("MY SONGS")
assert texts.index("Ode to Joy (Beethoven)") < heading < texts.index("Tiny Waltz"), texts
PY
fi

peers=$(dirname "$0")/../../../shared/peers
if [ -d "$peers" ]; then
    for file in "$peers"/musicxml/*.musicxml "$peers"/midi/*.mid; do
        "$beatstrip" import "$file" --home "$home" >/dev/null || fail "peer file $(basename "$file") did not import"
    done
else
    echo "skipped the peer files: none at $peers"
fi

[ "$failures" -eq 0 ] && echo "ok" || exit 1
