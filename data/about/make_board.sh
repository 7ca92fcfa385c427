#!/usr/bin/env bash
# Redraws the about box's picture: builds the generator, draws the board and compresses it to a
# progressive JPEG, data/about/board.jpg. Run from anywhere; uses build-board/ for the generator.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-board -G Ninja -DKV74_TESTS=OFF -DKV74_BENCH=OFF -DKV74_TOOLS=OFF >/dev/null
cmake --build build-board --target kv74-make-board -j2
tmp=$(mktemp --suffix=.ppm)
trap 'rm -f "$tmp"' EXIT
QT_QPA_PLATFORM=offscreen build-board/shell/kv74-make-board "$tmp"
cjpeg -progressive -quality 85 -outfile data/about/board.jpg "$tmp"
echo "wrote data/about/board.jpg"
