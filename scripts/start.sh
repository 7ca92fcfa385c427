#!/usr/bin/env bash
# Starts the emulator from the build in build/ (called by ./run). With a display the panel and
# plot windows open; without one the bundled firmware runs headless and the panel is rendered
# off screen, and the files it leaves are listed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KV74_BUILD:-build}
kv74="$build/shell/kv74"
runner="$build/tools/kv74-run/kv74-run"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$kv74" "$@"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running headless instead."
mkdir -p out
if [ -x "$runner" ]; then
  args=(--steps 50000000 --workdir out/ --state-json out/state.json)
  # The operator's demo: automatic mode and start, so the stored part program runs to its end.
  if [ -f firmware/demo/auto-run.input ]; then
    args+=(--input firmware/demo/auto-run.input)
  fi
  if "$runner" --help 2>&1 | grep -q -- '--plot-png'; then
    args+=(--plot-png out/plot.png)
  fi
  echo "running the firmware for 50000000 steps: $runner ${args[*]}"
  "$runner" "${args[@]}"
else
  echo "no headless runner at $runner; skipping the headless run"
fi
if [ -x "$kv74" ]; then
  echo "rendering the panel off screen"
  # In a folder of its own, so that its prog.txt does not replace the headless run's.
  scratch=$(mktemp -d)
  root=$PWD
  (cd "$scratch" && QT_QPA_PLATFORM=offscreen "$root/$kv74" --screenshot "$root/out/kv74" \
    --after 3000 "$@")
  rm -rf "$scratch"
fi
echo
echo "Files in out/:"
for f in out/state.json out/plot.png out/prog.txt out/kv74-panel.png out/kv74-plot.png; do
  [ -e "$f" ] && echo "  $f"
done
exit 0
