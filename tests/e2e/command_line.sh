#!/usr/bin/env bash
# --help and --version answer and exit 0; option mistakes are usage errors (status 2).
set -u
beatstrip=$1
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

help=$("$beatstrip" --help) || fail "--help exited non-zero"
for word in --headless --script --out --gallery --home --content-url --verbose --quiet --frame-stats damagedFraction beatLatenessMs F11 "tap TARGET" "dump FILE" "id:NAME"; do
    grep -qF -- "$word" <<<"$help" || fail "--help does not mention $word"
done
# The gallery is for developers: it stands under its own heading, after the user's options.
sed -n '/^Developer options:/,$p' <<<"$help" | grep -qF -- --gallery || fail "--gallery is not under Developer options"
sed -n '1,/^Developer options:/p' <<<"$help" | grep -qF -- --gallery && fail "--gallery is still among the user's options"
version=$("$beatstrip" --version) || fail "--version exited non-zero"
[[ "$version" =~ ^beatstrip\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"

"$beatstrip" --home 2>/dev/null; [ $? -eq 2 ] || fail "--home without a folder is not a usage error"
"$beatstrip" --script x.txt 2>/dev/null; [ $? -eq 2 ] || fail "--script without --headless is not a usage error"
"$beatstrip" --screenshot-after soon x.png 2>/dev/null; [ $? -eq 2 ] || fail "a bad --screenshot-after is not a usage error"

"$beatstrip" --verbose --quiet 2>/dev/null; [ $? -eq 2 ] || fail "--verbose with --quiet is not a usage error"
"$beatstrip" --headless --screenshot-after 1 x.png 2>/dev/null; [ $? -eq 2 ] || fail "--screenshot-after with --headless is not a usage error"
"$beatstrip" --frame-stats 2>/dev/null; [ $? -eq 2 ] || fail "--frame-stats without a file is not a usage error"
"$beatstrip" --headless --frame-stats x.json 2>/dev/null; [ $? -eq 2 ] || fail "--frame-stats with --headless is not a usage error"

# Headless runs keep their log on stderr (scripts read it); --quiet silences it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'tap id:galleryButton\n' >"$work/tap.txt"
"$beatstrip" --headless --gallery --home "$work/home" --script "$work/tap.txt" --out "$work" 2>"$work/loud" || fail "the headless run failed"
grep -q "beatstrip\[[0-9]*\] Gallery: Button tapped 1$" "$work/loud" || fail "the headless log is not on stderr: $(cat "$work/loud")"
"$beatstrip" --headless --gallery --home "$work/home" --script "$work/tap.txt" --out "$work" --quiet 2>"$work/quiet" || fail "the quiet headless run failed"
[ ! -s "$work/quiet" ] || fail "--quiet still wrote: $(cat "$work/quiet")"

[ "$failures" -eq 0 ] && echo "ok" || exit 1
