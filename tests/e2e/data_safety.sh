#!/usr/bin/env bash
# Nothing of the user's is touched and nothing unbounded is let in: --home must be a usable
# folder, scripts are bounded, headless runs without a home of their own use a temporary one,
# an oversized package is refused, and `idle` waits for a large install to finish.
set -u
beatstrip=$1
build=$2
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }

help=$("$beatstrip" --help)
for word in --max-package-size BEATSTRIP_MAX_PACKAGE_SIZE --keep-home; do
    grep -qF -- "$word" <<<"$help" || fail "--help does not mention $word"
done

# --home naming a file, or a folder that cannot be made: a clear message and status 2.
echo "a file" >"$work/file"
printf 'wait 1\n' >"$work/wait.txt"
"$beatstrip" --headless --home "$work/file" --script "$work/wait.txt" --out "$work" 2>"$work/home-file.err"
[ $? -eq 2 ] && grep -q "is a file, not a folder" "$work/home-file.err" && ok "--home naming a file" || { fail "--home naming a file"; cat "$work/home-file.err"; }
"$beatstrip" --headless --home "$work/file/home" --script "$work/wait.txt" --out "$work" 2>"$work/home-sub.err"
[ $? -eq 2 ] && grep -q "cannot be created" "$work/home-sub.err" && ok "--home that cannot be created" || { fail "--home that cannot be created"; cat "$work/home-sub.err"; }

# Scripts over 16 MiB are refused before they are read; messages quote little of a long line.
timeout 20 "$beatstrip" --headless --home "$work/h" --script /dev/zero --out "$work" 2>"$work/zero.err"
[ $? -eq 2 ] && grep -q "larger than 16 MiB" "$work/zero.err" && ok "--script /dev/zero" || { fail "--script /dev/zero"; head -c 300 "$work/zero.err"; }
head -c $((16 * 1024 * 1024 + 1)) /dev/zero | tr '\0' '#' >"$work/big.txt"
"$beatstrip" --headless --home "$work/h" --script "$work/big.txt" --out "$work" 2>"$work/big.err"
[ $? -eq 2 ] && grep -q "larger than 16 MiB" "$work/big.err" && ok "a 16 MiB + 1 script" || fail "a 16 MiB + 1 script"
{ printf 'jump'; head -c 100000 /dev/zero | tr '\0' 'x'; printf '\n'; } >"$work/long.txt"
"$beatstrip" --headless --home "$work/h" --script "$work/long.txt" --out "$work" 2>"$work/long.err"
longest=$(awk '{ if (length($0) > n) n = length($0) } END { print n + 0 }' "$work/long.err")
[ "$longest" -gt 0 ] && [ "$longest" -lt 400 ] && ok "a long bad line is quoted short ($longest characters)" || fail "error line of $longest characters"

# Without --home and $BEATSTRIP_HOME: a fresh home, removed at exit; the real one untouched.
mkdir -p "$work/canary-home/.local/share/beatstrip/Documents" "$work/canary-xdg/beatstrip" "$work/tmp"
echo "saved tempi" >"$work/canary-xdg/beatstrip/settings.sqlite"
echo "saved tempi" >"$work/canary-home/.local/share/beatstrip/settings.sqlite"
snapshot() { (cd "$work" && find canary-home canary-xdg -printf '%p %s %T@\n' | sort); }
before=$(snapshot)
printf 'tap id:download\nidle 30\ndump songs.json\n' >"$work/download.txt"
mkdir -p "$work/out-temp"
env -u BEATSTRIP_HOME HOME="$work/canary-home" XDG_DATA_HOME="$work/canary-xdg" TMPDIR="$work/tmp" \
    "$beatstrip" --headless --script "$work/download.txt" --out "$work/out-temp" 2>"$work/temp.err" || { fail "headless run without a home"; cat "$work/temp.err"; }
grep -q '"rows": 5' "$work/out-temp/songs.json" && ok "the download went into the temporary home" || fail "no songs after the download"
[ "$(snapshot)" = "$before" ] && ok "HOME and XDG_DATA_HOME untouched" || fail "a canary home changed"
[ -z "$(ls -A "$work/tmp")" ] && ok "the temporary home is gone" || fail "left behind: $(ls -A "$work/tmp")"
env -u BEATSTRIP_HOME HOME="$work/canary-home" XDG_DATA_HOME="$work/canary-xdg" TMPDIR="$work/tmp" \
    "$beatstrip" --headless --keep-home --script "$work/download.txt" --out "$work/out-temp" 2>"$work/keep.err"
kept=$(sed -n 's/^beatstrip: this run.s home is \(.*\) and is kept$/\1/p' "$work/keep.err")
[ -n "$kept" ] && [ -s "$kept/Documents/data/data/info.json" ] && ok "--keep-home keeps it and says where" || { fail "--keep-home"; cat "$work/keep.err"; }
[ "$(snapshot)" = "$before" ] || fail "a canary home changed with --keep-home"
rm -rf "${kept:?}"

# The no-display demo (it downloads the bundled songs) also runs in a temporary home.
env -u BEATSTRIP_HOME -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER HOME="$work/canary-home" XDG_DATA_HOME="$work/canary-xdg" \
    TMPDIR="$work/tmp" "$beatstrip" >"$work/demo.out" 2>"$work/demo.err" || { fail "the demo failed"; tail -5 "$work/demo.err"; }
[ "$(snapshot)" = "$before" ] && ok "the demo left HOME and XDG_DATA_HOME untouched" || fail "the demo changed a canary home"
left=$(ls -A "$work/tmp" | grep -v '^beatstrip-demo-')
[ -z "$left" ] && ok "the demo's temporary home is gone" || fail "the demo left: $left"

# A package over the limit is refused, by option and by environment; nothing is installed.
printf 'tap id:download\nidle 30\ndump after.json\n' >"$work/limit.txt"
for how in option environment; do
    mkdir -p "$work/out-$how"
    if [ $how = option ]; then
        "$beatstrip" --headless --home "$work/home-$how" --max-package-size 100 --script "$work/limit.txt" --out "$work/out-$how" 2>"$work/$how.err"
    else
        BEATSTRIP_MAX_PACKAGE_SIZE=100 "$beatstrip" --headless --home "$work/home-$how" --script "$work/limit.txt" --out "$work/out-$how" 2>"$work/$how.err"
    fi
    grep -q "The package is too large." "$work/out-$how/after.json" && [ ! -e "$work/home-$how/Documents/data/data" ] \
        && [ ! -e "$work/home-$how/Documents/data/.incoming" ] && ok "a package over the limit set by $how" || { fail "limit by $how"; cat "$work/$how.err"; }
done

# `idle` waits for the install on the worker queue: 4,000 songs, from a folder URL without "/".
python3 - "$work/site" <<'PY'
import json, os, sys, zipfile
site = sys.argv[1]
os.makedirs(site, exist_ok=True)
with zipfile.ZipFile(os.path.join(site, "data.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("data/info.json", json.dumps({"FileInfo": [{"fileName": "Song %d" % i, "path": "song%d.csv" % i} for i in range(4000)]}))
    for i in range(4000):
        z.writestr("data/song%d.csv" % i, "channel,Bar No(40),Beats per Bar(40)\r42,1,4\r")
PY
printf 'tap id:download\nidle 120\ndump many.json\n' >"$work/many.txt"
mkdir -p "$work/out-many"
"$beatstrip" --headless --home "$work/home-many" --content-url "file://$work/site" --script "$work/many.txt" --out "$work/out-many" 2>"$work/many.err"
grep -q '"rows": 4000' "$work/out-many/many.json" && ok "4,000 songs listed after idle" || { fail "the large package was not listed after idle"; tail -5 "$work/many.err"; }

[ "$failures" -eq 0 ] || exit 1
