#!/usr/bin/env bash
# Score files named on the command line (the desktop entry's "Exec=beatstrip %F", used by "Open
# with") are imported by the window as if dropped on it: they become songs under My songs.
set -u
beatstrip=$1
for tool in xvfb-run; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/waltz.musicxml" <<'XML'
<?xml version="1.0"?><score-partwise><work><work-title>Open With Waltz</work-title></work>
<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list><part id="P1">
<measure number="1"><attributes><divisions>1</divisions><time><beats>3</beats><beat-type>4</beat-type></time></attributes>
<note><pitch><step>C</step><octave>4</octave></pitch><duration>3</duration></note></measure></part></score-partwise>
XML
HOME="$work/user" timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$beatstrip" --home "$work/home" --screenshot-after 3 "$work/window.png" "$work/waltz.musicxml" >"$work/stdout" 2>"$work/stderr" \
    || { echo "FAIL: the window run failed"; cat "$work/stderr"; exit 1; }
failures=0
index="$work/home/Documents/imported/info.json"
grep -q '"Open With Waltz"' "$index" 2>/dev/null && echo "ok   the file named on the command line is a song of My songs" \
    || { echo "FAIL no imported song: $(cat "$index" 2>/dev/null)"; failures=$((failures + 1)); }
grep -q "Imported waltz.musicxml" "$work/home/beatstrip.log" && echo "ok   the import is in the log" \
    || { echo "FAIL the log does not name the import"; failures=$((failures + 1)); }
"$beatstrip" --headless "$work/waltz.musicxml" 2>/dev/null; [ $? -eq 2 ] && echo "ok   headless runs refuse score files" \
    || { echo "FAIL a headless run took a score file"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
