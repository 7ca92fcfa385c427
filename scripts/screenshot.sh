#!/usr/bin/env bash
# Starts kv74 on a virtual screen and saves what a user would see, for review:
#   out/screen.png   the whole screen (both windows where the window manager left them)
#   out/kv74-panel.png, out/kv74-plot.png   each window on its own
# Usage: scripts/screenshot.sh [BUILD_DIR] [MS] [KV74 OPTIONS...]   (defaults: build, 4000 ms)
# e.g. scripts/screenshot.sh build 8000 --speed real --input firmware/demo/auto-run.input
# Relative paths among the options are taken from the source tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
ms=${2:-4000}
shift $(( $# > 2 ? 2 : $# ))
exe="$build/shell/kv74"
[ -x "$exe" ] || { echo "no $exe; build first" >&2; exit 1; }
mkdir -p out
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
root=$PWD
args=()
for a in "$@"; do
  if [ -e "$a" ] && [[ "$a" != /* ]]; then args+=("$root/$a"); else args+=("$a"); fi
done
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  dir=$1 root=$2 exe=$3 ms=$4; shift 4
  cd "$dir" && "$root/$exe" --screenshot "$root/out/kv74" --after "$ms" "$@" &
  pid=$!
  sleep $(( (ms - 1000) / 1000 )).5
  import -window root "$root/out/screen.png" || echo "import failed" >&2
  wait $pid
' _ "$workdir" "$root" "$exe" "$ms" "${args[@]}"
echo "screen: out/screen.png; windows: out/kv74-panel.png, out/kv74-plot.png"
