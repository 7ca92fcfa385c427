#!/usr/bin/env bash
# Starts kv74 on a virtual screen and saves what a user would see, for review:
#   out/screen.png   the whole screen (both windows where the window manager left them)
#   out/kv74-panel.png, out/kv74-plot.png   each window on its own
# Usage: scripts/screenshot.sh [BUILD_DIR] [MS]   (defaults: build, 4000 ms)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
ms=${2:-4000}
exe="$build/shell/kv74"
[ -x "$exe" ] || { echo "no $exe; build first" >&2; exit 1; }
mkdir -p out
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
root=$PWD
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  cd "$1" && "$2/$3" --screenshot "$2/out/kv74" --after "$4" &
  pid=$!
  sleep $(( ($4 - 1000) / 1000 )).5
  import -window root "$2/out/screen.png" || echo "import failed" >&2
  wait $pid
' _ "$workdir" "$root" "$exe" "$ms"
echo "screen: out/screen.png; windows: out/kv74-panel.png, out/kv74-plot.png"
