#!/usr/bin/env bash
# A home its user may read but not write, the app run as the unprivileged user "nobody" (root
# ignores permission bits): the settings file is kept byte for byte and not moved aside, and the
# library says once, in an alert titled "Error", that changes cannot be saved and why.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
    echo "skip: running as another user needs root and setpriv"
    exit 0
fi
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

chmod 755 "$work"
mkdir -p "$work/home/Documents" "$work/out"
chmod 777 "$work/out"
python3 - "$work/home/settings.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE defaults (key TEXT PRIMARY KEY, value TEXT NOT NULL)")
db.execute("INSERT INTO defaults VALUES ('Song 1', '[{\"tempo (40)\": \"121\"}]')")
db.commit()
db.close()
PY
chmod -R a+rX,go-w "$work/home"
before=$(md5sum "$work/home/settings.sqlite")

printf 'dump start.json\ntap id:alertButton0\ndump after.json\n' >"$work/script.txt"
chmod 644 "$work/script.txt"
setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$work/out" \
    "$beatstrip" --headless --home "$work/home" --script "$work/script.txt" --out "$work/out" 2>"$work/stderr" \
    || { fail "the run as nobody failed"; cat "$work/stderr"; }

python3 - "$work/out/start.json" "$work/out/after.json" <<'PY' || failures=$((failures + 1))
import json, sys
start = json.load(open(sys.argv[1]))
after = json.load(open(sys.argv[2]))
alert = start["alert"]
ok = True
if not alert or alert.get("title") != "Error":
    print("FAIL no alert titled Error at start:", alert); ok = False
elif "Changes cannot be saved because the settings file or its folder is read-only." not in alert.get("message", "") \
        or "Your saved tempi are still used." not in alert.get("message", ""):
    print("FAIL the alert does not say why:", alert.get("message")); ok = False
if after["alert"] is not None:
    print("FAIL the alert came back:", after["alert"]); ok = False
print("ok   the user is told once why changes cannot be saved" if ok else "")
sys.exit(0 if ok else 1)
PY
[ "$(md5sum "$work/home/settings.sqlite")" = "$before" ] && echo "ok   the settings file is untouched" || fail "the settings file changed"
ls "$work/home" | grep -q corrupt && fail "the settings file was moved aside" || echo "ok   nothing moved aside"

[ "$failures" -eq 0 ] || exit 1
