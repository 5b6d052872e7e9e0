#!/usr/bin/env bash
# Download over real HTTP from the server --content-url names: the headless driver's idle waits
# for the transfer and its completion, and the song list then holds the sample songs. Without
# --content-url the bundled sample package is fetched.
set -u
beatstrip=$1
build=$2
here=$(dirname "$0")
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
[ -s "$build/content/data.zip" ] || { echo "FAIL: $build/content/data.zip is not built (target sample_package)"; exit 1; }

mkdir -p "$work/site/Ostrel/cms/data"
cp "$build/content/data.zip" "$work/site/Ostrel/cms/data/data.zip"
python3 - "$work/site" "$work/port" "$work/requests" <<'PY' &
import functools, http.server, sys
site, port_file, log_file = sys.argv[1:4]
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, fmt, *args):
        with open(log_file, "a") as f:
            f.write(self.requestline + "\n")
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=site))
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
import os; os.rename(port_file + ".tmp", port_file)
server.serve_forever()
PY
server=$!
# The server writes its port once it listens; a busy machine may take a while to start Python.
for _ in $(seq 1200); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

cat >"$work/script.txt" <<'SCRIPT'
tap id:download
idle 30
wait 2
dump songs.json
SCRIPT

count_songs() {
    PYTHONPATH="$here" python3 - "$1" <<'PY'
import json, sys
dump = json.load(open(sys.argv[1]))
from checks import find
table = find(dump["root"], "songList")
overlay = find(dump["root"], "busyOverlay")
shown = overlay is not None and not overlay["hidden"] and overlay["alpha"] > 0.01
print(table["rows"] if table else -1, "overlay-shown" if shown else "overlay-gone", dump["alert"])
PY
}

failures=0
mkdir -p "$work/out-http" "$work/out-bundled"
"$beatstrip" --headless --home "$work/home-http" --content-url "http://127.0.0.1:$port/Ostrel/cms/data/" \
    --script "$work/script.txt" --out "$work/out-http" 2>"$work/http.stderr" || { echo "FAIL http run"; cat "$work/http.stderr"; failures=$((failures + 1)); }
result=$(count_songs "$work/out-http/songs.json")
[ "$result" = "5 overlay-gone None" ] && echo "ok   five songs listed after the HTTP download" || { echo "FAIL after the HTTP download: $result"; failures=$((failures + 1)); }
grep -q "GET /Ostrel/cms/data/data.zip" "$work/requests" && echo "ok   fetched from the --content-url server" || { echo "FAIL the server saw no request"; failures=$((failures + 1)); }

env -u BEATSTRIP_CONTENT_URL "$beatstrip" --headless --home "$work/home-bundled" \
    --script "$work/script.txt" --out "$work/out-bundled" 2>"$work/bundled.stderr" || { echo "FAIL bundled run"; cat "$work/bundled.stderr"; failures=$((failures + 1)); }
result=$(count_songs "$work/out-bundled/songs.json")
[ "$result" = "5 overlay-gone None" ] && echo "ok   five songs from the bundled package" || { echo "FAIL from the bundled package: $result"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] || exit 1
