#!/usr/bin/env bash
# Images come from the source tree's assets/ unless $BEATSTRIP_ASSETS names another folder.
set -u
beatstrip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'dump tree.json\n' >"$work/script.txt"
image() {
    python3 - "$1" <<'PY'
import json, sys
def find(view):
    if view.get("id") == "galleryUpImage":
        return view
    for child in view["children"]:
        found = find(child)
        if found:
            return found
print(find(json.load(open(sys.argv[1]))["root"]).get("image"))
PY
}
failures=0
mkdir -p "$work/default" "$work/empty" "$work/other"
"$beatstrip" --headless --gallery --home "$work/home" --script "$work/script.txt" --out "$work/default" 2>/dev/null || failures=$((failures + 1))
[ "$(image "$work/default/tree.json")" = upper_triangle.png ] && echo "ok   the built-in assets folder" || { echo "FAIL the built-in assets folder"; failures=$((failures + 1)); }
BEATSTRIP_ASSETS="$work/empty" "$beatstrip" --headless --gallery --home "$work/home" --script "$work/script.txt" --out "$work/other" 2>/dev/null || failures=$((failures + 1))
[ "$(image "$work/other/tree.json")" = None ] && echo "ok   \$BEATSTRIP_ASSETS replaces it" || { echo "FAIL \$BEATSTRIP_ASSETS is ignored"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] || exit 1
