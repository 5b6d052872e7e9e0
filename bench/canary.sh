#!/usr/bin/env bash
# Runs every benchmark given with --setup-only (its real set-up and tear-down, no measuring) while
# $BEATSTRIP_HOME, $XDG_DATA_HOME and $HOME point at canary folders holding songs and settings.
# The canaries must come through byte for byte, and nothing may be left in the temporary folder.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

for canary in "$work/env-home" "$work/xdg/beatstrip" "$work/user/.local/share/beatstrip"; do
    mkdir -p "$canary/Documents/data/data"
    printf 'channel,Bar No(40)\r42,1\r' >"$canary/Documents/data/data/Mine.csv"
    printf 'saved tempi' >"$canary/settings.sqlite"
done
mkdir -p "$work/tmp"
snapshot() { (cd "$work" && find env-home xdg user -printf '%p %y %s %m %T@\n' | sort && find env-home xdg user -type f -exec md5sum {} + | sort); }
before=$(snapshot)

[ $# -gt 0 ] || fail "no benchmark given"
for bench in "$@"; do
    name=$(basename "$bench")
    if ! BEATSTRIP_HOME="$work/env-home" XDG_DATA_HOME="$work/xdg" HOME="$work/user" TMPDIR="$work/tmp" \
        "$bench" --setup-only >"$work/$name.log" 2>&1; then
        fail "$name --setup-only failed"
        cat "$work/$name.log"
    fi
    after=$(snapshot)
    [ "$after" = "$before" ] || { fail "$name changed a canary home"; diff <(echo "$before") <(echo "$after") | head -20; before=$after; }
    left=$(ls -A "$work/tmp")
    [ -z "$left" ] || { fail "$name left '$left' in the temporary folder"; rm -rf "${work:?}/tmp/"*; }
done

echo "$(( $# - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
