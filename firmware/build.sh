#!/usr/bin/env bash
# Assembles the firmware and refreshes the committed images in data/ (V4, AMT, RAM and the
# variants V0, V2, V3, each program image with its debug information NAME.debug.json), so
# that data/ equals the build output byte for byte.
#   firmware/build.sh            uses build-firmware/ for the assembler
#   KV74_FIRMWARE_BUILD=DIR ...  another build directory
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV74_FIRMWARE_BUILD:-$root/build-firmware}

cmake -S "$root" -B "$build" -G Ninja -DKV74_GUI=OFF -DKV74_TESTS=OFF -DKV74_BENCH=OFF >/dev/null
cmake --build "$build" --target kv74-as -j2 >/dev/null
as="$build/tools/kv74-as/kv74-as"

out="$build/firmware-images"
first=
while read -r image defines; do
  case "$image" in '' | '#'*) continue ;; esac
  args=()
  for name in $defines; do args+=(-D "$name"); done
  mkdir -p "$out/$image"
  "$as" -o "$out/$image" --program-name "$image" "${args[@]}" \
    --debug-info "$out/$image/$image.debug.json" --debug-info-base "$root/data" \
    "$root/firmware/firmware.asm"
  cp "$out/$image/$image" "$out/$image/$image.debug.json" "$root/data/"
  if [ -z "$first" ]; then
    first=$image
    cp "$out/$image/AMT" "$out/$image/RAM" "$root/data/"
  fi
done <"$root/firmware/variants.txt"
echo "data/ refreshed from the firmware sources"
