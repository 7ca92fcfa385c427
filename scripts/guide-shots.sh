#!/usr/bin/env bash
# The guide's pictures of the panel and the plot, made by the program from the bundled firmware:
#   docs/operating-panel.png          the panel after switching on (step 90,000)
#   docs/operating-plot-overlay.png   the plot window with the axes overlay after the stored
#                                     program (firmware/demo/auto-run.input, step 32,000,000)
#   docs/operating-realtime.png       the panel running the program at real time, one second
#                                     from step 8,200,000 (made, never checked: its status
#                                     bar and digits follow the host's timing)
# Usage: scripts/guide-shots.sh [--check] [BUILD_DIR]      (default build/)
# Each is a snapshot taken by kv74-run at a fixed step and shown paused by kv74, so the
# picture does not depend on the host's speed. --check makes them afresh and compares them with
# the committed ones instead of replacing them (up to 300 pixels may differ); exit status 1 and
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
run=$(dirname "$exe")/../tools/kv74-run/kv74-run
# A snapshot at a fixed step (kv74-run), shown paused in the window: the same picture on any host.
shot() { # PREFIX STEPS [KV74 OPTIONS...]
  local prefix=$1 steps=$2
  shift 2
  printf 'continue %s\nsave-state %s\n' "$steps" "$work/$prefix.state" >"$work/$prefix.mon"
  (cd "$work" && "$run" --input "$root/firmware/demo/auto-run.input" --do "$prefix.mon" -q >/dev/null)
  (cd "$work" && "$exe" --load-state "$work/$prefix.state" --paused --screenshot "$work/$prefix" \
    --after 1000 "$@" >/dev/null 2>&1)
}
shot on 90000   # before the demo's first click (automatic mode at 100,000)
shot run 32000000 --plot-overlay
if [ -z "$check" ]; then
  shot real 8200000
  (cd "$work" && "$exe" --load-state "$work/real.state" --speed real --screenshot "$work/real" \
    --after 1000 >/dev/null 2>&1)
  cp "$work/real-panel.png" docs/operating-realtime.png.tmp
  mv docs/operating-realtime.png.tmp docs/operating-realtime.png
fi
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
