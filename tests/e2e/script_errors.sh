#!/usr/bin/env bash
# The headless driver refuses bad scripts with the line number and a clear message, and a non-zero
# status; a script that parses runs nothing of a later bad line.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect_failure NAME EXPECTED-MESSAGE SCRIPT-TEXT
expect_failure() {
    local name=$1 expected=$2 text=$3
    printf '%s' "$text" >"$work/$name.txt"
    mkdir -p "$work/out-$name"
    "$beatstrip" --headless --gallery --home "$work/home" --script "$work/$name.txt" \
        --out "$work/out-$name" >"$work/$name.stdout" 2>"$work/$name.stderr"
    local status=$?
    if [ "$status" -eq 0 ]; then
        echo "FAIL $name: exited 0"; failures=$((failures + 1)); return
    fi
    if ! grep -qF -- "$expected" "$work/$name.stderr"; then
        echo "FAIL $name: expected '$expected' on stderr, got:"; cat "$work/$name.stderr"
        failures=$((failures + 1)); return
    fi
    echo "ok   $name (status $status)"
}

expect_failure unknown_command "line 4: unknown command 'jump'" $'# a comment\n\nwait 1\njump id:button\n'
expect_failure bad_number "line 2: bad number 'soon' for seconds" $'wait 0.5\nwait soon\n'
expect_failure bad_press_seconds "line 1: bad number 'long' for seconds" $'press id:galleryButton long\n'
expect_failure negative_wait "line 1: seconds must not be negative" $'wait -1\n'
expect_failure bad_tag "line 1: bad number 'x' in tag:x" $'tap tag:x\n'
expect_failure bad_point "line 1: bad number 'y' for y coordinate" $'tap 10 y\n'
expect_failure missing_target "line 1: missing target" $'tap\n'
expect_failure unknown_key "line 1: unknown key 'enter'" $'key enter\n'
expect_failure trailing_word "line 1: unexpected 'now'" $'tap id:galleryButton now\n'
expect_failure missing_identifier "line 3: no view with identifier 'nothingHere'" \
    $'wait 1\ntap id:galleryButton\ntap id:nothingHere\n'
expect_failure missing_tag "line 1: no view with tag 987654" $'tap tag:987654\n'
expect_failure missing_row "line 1: no row 5000" $'tap row:5000\n'
expect_failure point_outside "line 2: point 1024 100 is outside the 1024x768 window" $'tap 1023 100\ntap 1024 100\n'
expect_failure select_not_segmented "line 1: id:galleryButton is not a segmented control" $'select id:galleryButton 1\n'
expect_failure select_out_of_range "line 1: segment 9 out of range" $'select id:gallerySegments 9\n'
expect_failure type_not_field "line 1: id:galleryButton is not a text field" $'type id:galleryButton hello\n'
expect_failure slide_not_slider "line 1: id:galleryButton is not a slider" $'slide id:galleryButton 0.5\n'

# A syntax error anywhere stops the script before its first command runs.
printf 'screenshot first.png\nbogus\n' >"$work/early.txt"
mkdir -p "$work/out-early"
if "$beatstrip" --headless --gallery --home "$work/home" --script "$work/early.txt" --out "$work/out-early" 2>/dev/null; then
    echo "FAIL early: exited 0"; failures=$((failures + 1))
elif [ -e "$work/out-early/first.png" ]; then
    echo "FAIL early: the first line ran before the bad second line was seen"; failures=$((failures + 1))
else
    echo "ok   early"
fi

# A missing script file and an unknown option are usage errors.
if "$beatstrip" --headless --script "$work/none.txt" --out "$work" 2>"$work/none.stderr"; then
    echo "FAIL missing script: exited 0"; failures=$((failures + 1))
elif ! grep -q "none.txt" "$work/none.stderr"; then
    echo "FAIL missing script: message does not name the file"; failures=$((failures + 1))
else
    echo "ok   missing script"
fi
if "$beatstrip" --frobnicate 2>"$work/opt.stderr"; then
    echo "FAIL unknown option: exited 0"; failures=$((failures + 1))
elif ! grep -q "unknown option '--frobnicate'" "$work/opt.stderr"; then
    echo "FAIL unknown option: wrong message"; cat "$work/opt.stderr"; failures=$((failures + 1))
else
    echo "ok   unknown option"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
