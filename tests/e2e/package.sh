#!/usr/bin/env bash
# The Debian package, packed by CPack from this build: its control fields and contents, the
# desktop entry, metainfo and man page it ships checked with the distribution's validators, and
# the program unpacked into a scratch root (dpkg -x) running from there with a temporary home.
set -u
beatstrip=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# Packed into a folder of our own, so a parallel `make package` is not disturbed.
cpack --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1 \
    || { echo "FAIL cpack"; cat "$work/cpack.log"; exit 1; }
version=$("$beatstrip" --version | cut -d' ' -f2)
arch=$(dpkg --print-architecture)
deb="$work/pack/beatstrip_${version}_${arch}.deb"
[ -s "$deb" ] || { echo "FAIL no beatstrip_${version}_${arch}.deb"; ls "$work/pack"; exit 1; }
ok "packed $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = beatstrip ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the program says $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or Description"
depends=$(field Depends)
# dpkg-shlibdeps found the libraries; the fonts are named by hand.
for needed in libc6 libcairo2 libsdl2 libcurl libminizip libsqlite3 fonts-liberation2; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
[ "$failures" -eq 0 ] && ok "control fields (Depends: $depends)"

dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
for file in ./usr/bin/beatstrip ./usr/share/beatstrip/assets/upper_triangle.png ./usr/share/beatstrip/content/data.zip \
        ./usr/share/applications/org.beatstrip.BeatStrip.desktop ./usr/share/metainfo/org.beatstrip.BeatStrip.metainfo.xml \
        ./usr/share/icons/hicolor/48x48/apps/org.beatstrip.BeatStrip.png ./usr/share/icons/hicolor/128x128/apps/org.beatstrip.BeatStrip.png \
        ./usr/share/icons/hicolor/256x256/apps/org.beatstrip.BeatStrip.png ./usr/share/icons/hicolor/scalable/apps/org.beatstrip.BeatStrip.svg \
        ./usr/share/man/man1/beatstrip.1.gz; do
    grep -qxF "$file" "$work/contents" || fail "the package lacks $file"
done
stray=$(grep -v -e '^\./usr/bin/' -e '^\./usr/share/' -e '^\./$' -e '^\./usr/$' "$work/contents")
[ -z "$stray" ] || fail "the package installs outside /usr/bin and /usr/share: $stray"

root="$work/root"
dpkg -x "$deb" "$root" || { echo "FAIL dpkg -x"; exit 1; }
desktop="$root/usr/share/applications/org.beatstrip.BeatStrip.desktop"
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 && [ ! -s "$work/desktop.log" ] \
    && ok "desktop-file-validate: no messages" || fail "desktop-file-validate: $(cat "$work/desktop.log")"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "the desktop entry starts '$exec_name', which the package does not install"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$(find "$root/usr/share/icons/hicolor" -name "$icon.*" | wc -l)" -eq 4 ] || fail "the icon '$icon' is not in the hicolor theme at four sizes"
python3 - "$root/usr/share/icons/hicolor" "$icon" <<'PY' || fail "an icon PNG has the wrong size"
import struct, sys
for size in (48, 128, 256):
    with open("%s/%dx%d/apps/%s.png" % (sys.argv[1], size, size, sys.argv[2]), "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (size, size), size
PY
appstreamcli validate --no-net "$root/usr/share/metainfo/org.beatstrip.BeatStrip.metainfo.xml" >"$work/metainfo.log" 2>&1 \
    && ok "appstreamcli validate --no-net: $(tail -1 "$work/metainfo.log")" || fail "appstreamcli validate: $(cat "$work/metainfo.log")"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.beatstrip.BeatStrip.metainfo.xml" || fail "the metainfo does not list release $version"
manpage="$root/usr/share/man/man1/beatstrip.1.gz"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manpage" >"$work/man.txt" 2>"$work/man.log" && [ ! -s "$work/man.log" ] \
    && ok "man --warnings: no warnings" || fail "man --warnings: $(cat "$work/man.log")"
# The man page keeps up with --help: every option and script command is in it.
for word in $("$beatstrip" --help | grep -oE '^  (-[-a-z]+|[a-z]+ )' | sed 's/ *$//;s/^ *//'); do
    grep -qF -- "$word" "$work/man.txt" || fail "the man page does not describe '$word'"
done

# The unpacked program runs from the scratch root, with its data from there.
installed="$root/usr/bin/beatstrip"
[ "$("$installed" --version)" = "beatstrip $version" ] && ok "the installed beatstrip --version" || fail "the installed --version says '$("$installed" --version)'"
env -u BEATSTRIP_ASSETS -u BEATSTRIP_CONTENT_URL -u BEATSTRIP_HOME -u DISPLAY -u WAYLAND_DISPLAY \
    HOME="$work/user" XDG_DATA_HOME="$work/user/.local/share" TMPDIR="$work" \
    "$installed" --home "$work/home" --out "$work/demo" >"$work/demo.stdout" 2>"$work/demo.stderr" \
    || fail "the installed demo failed: $(tail -3 "$work/demo.stderr")"
for shot in 01-library.png 02-songs.png 03-player.png 04-playing.png; do
    [ -s "$work/demo/$shot" ] || fail "the installed demo left no $shot"
done
screen=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["screen"])' "$work/demo/player.json" 2>/dev/null)
[ "$screen" = ViewController ] && ok "the installed demo downloaded the packaged songs and played one" \
    || fail "the installed demo ended on '$screen', not the player"
[ ! -e "$work/user" ] || fail "the demo wrote into the user's home: $(find "$work/user" | head -3)"

[ "$failures" -eq 0 ] || exit 1
