#!/usr/bin/env bash
# `cmake --install` into a DESTDIR gives a tree that runs wherever it is moved: the program finds
# its images and the sample package beside itself (BINDIR/../share/beatstrip), not in the source
# or build folder. The moved copy's files are changed so that using the build's would show.
set -u
beatstrip=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/beatstrip >"$work/install.log" 2>&1 \
    || { echo "FAIL cmake --install"; cat "$work/install.log"; exit 1; }
staged="$work/stage/opt/beatstrip"
for file in bin/beatstrip share/beatstrip/assets/upper_triangle.png share/beatstrip/content/data.zip \
        share/applications/org.beatstrip.BeatStrip.desktop share/metainfo/org.beatstrip.BeatStrip.metainfo.xml \
        share/icons/hicolor/48x48/apps/org.beatstrip.BeatStrip.png share/icons/hicolor/128x128/apps/org.beatstrip.BeatStrip.png \
        share/icons/hicolor/256x256/apps/org.beatstrip.BeatStrip.png share/icons/hicolor/scalable/apps/org.beatstrip.BeatStrip.svg \
        share/man/man1/beatstrip.1.gz; do
    [ -s "$staged/$file" ] || fail "the install has no $file"
done
[ -z "$(find "$work/stage" -path "$staged" -prune -o -type f -print)" ] || fail "files landed outside the prefix under DESTDIR"

# Move it to a folder whose name needs escaping in a URL.
moved="$work/moved tree"
mv "$staged" "$moved"
rm "$moved/share/beatstrip/assets/lower_triangle.png"
python3 - "$build/content/data.zip" "$moved/share/beatstrip/content/data.zip" <<'PY'
import json, sys, zipfile
# The same package with only its first song.
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], "w") as out:
    index = json.loads(src.read("data/info.json"))
    first = index["FileInfo"][0]
    out.writestr("data/info.json", json.dumps({"FileInfo": [first]}))
    out.writestr("data/" + first["path"], src.read("data/" + first["path"]))
PY

run() {
    env -u BEATSTRIP_ASSETS -u BEATSTRIP_CONTENT_URL -u BEATSTRIP_HOME -u DISPLAY -u WAYLAND_DISPLAY \
        "$moved/bin/beatstrip" --headless --home "$work/home-$1" --out "$work/out-$1" "${@:2}"
}
"$moved/bin/beatstrip" --version | grep -q '^beatstrip [0-9]' && ok "the moved program runs" || fail "the moved program does not run"

printf 'dump gallery.json\n' >"$work/gallery.txt"
run gallery --gallery --script "$work/gallery.txt" 2>"$work/gallery.stderr" || fail "the gallery run failed: $(tail -3 "$work/gallery.stderr")"
printf 'tap id:download\nidle 30\nwait 2\ndump songs.json\n' >"$work/download.txt"
run download --script "$work/download.txt" 2>"$work/download.stderr" || fail "the download run failed: $(tail -3 "$work/download.stderr")"

PYTHONPATH="$here" python3 - "$work" <<'PY' || failures=$((failures + 1))
import sys
from checks import check, failures, find, load
work = sys.argv[1]
gallery = load(work + "/out-gallery", "gallery.json")["root"]
check(find(gallery, "galleryUpImage").get("image") == "upper_triangle.png", "images come from the moved tree's assets")
check(find(gallery, "galleryDownImage").get("image") is None, "an image removed from the moved tree is not found elsewhere")
songs = load(work + "/out-download", "songs.json")
table = find(songs["root"], "songList")
check(table is not None and table["rows"] == 1 and songs["alert"] is None,
      "Download fetched the moved tree's one-song package (rows: %s, alert: %s)" % (table and table["rows"], songs["alert"]))
sys.exit(1 if failures else 0)
PY
[ "$failures" -eq 0 ] || exit 1
