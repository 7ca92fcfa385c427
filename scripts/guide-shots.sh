#!/usr/bin/env bash
# The guide's pictures of the panel and the plot, made by the program from the bundled firmware:
#   docs/operating-panel.png          the panel after switching on (1.5 s at real time)
#   docs/operating-plot-overlay.png   the plot window with the axes overlay after the stored
#                                     program (firmware/demo/auto-run.input)
# Usage: scripts/guide-shots.sh [--check] [BUILD_DIR]      (default build/)
# --check makes them afresh and compares them with the committed ones instead of replacing
# them (the status bar's speed figures may differ by a few hundred pixels); exit status 1 and
# the names of the stale pictures when they no longer match.
set -euo pipefail
cd "$(dirname "$0")/.."
check=
if [ "${1:-}" = --check ]; then check=1; shift; fi
exe=$(cd "${1:-build}" && pwd)/shell/kv74
[ -x "$exe" ] || { echo "$0: no $exe; build first" >&2; exit 1; }
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
shot() { # PREFIX KV74 OPTIONS...
  local prefix=$1
  shift
  (cd "$work" && "$exe" --screenshot "$work/$prefix" "$@" >/dev/null 2>&1)
}
shot on --after 1500 --speed real
shot run --after 5000 --plot-overlay --input "$root/firmware/demo/auto-run.input"
stale=0
while read -r made committed; do
  if [ -z "$check" ]; then
    cp "$work/$made" "$committed.tmp" && mv "$committed.tmp" "$committed"
  elif ! python3 - "$work/$made" "$committed" <<'PY'; then
import sys
sys.path.insert(0, "tests/firmware")
import pngimage
sys.exit(0 if pngimage.differing_pixels(sys.argv[1], sys.argv[2]) <= 300 else 1)
PY
    echo "$committed is stale: run scripts/guide-shots.sh" >&2
    stale=1
  fi
done <<'LIST'
on-panel.png docs/operating-panel.png
run-plot.png docs/operating-plot-overlay.png
LIST
exit $stale
