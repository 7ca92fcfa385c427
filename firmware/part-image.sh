#!/usr/bin/env bash
# Assembles a part program of your own into a RAM image beside the bundled firmware, so that
# the emulator runs it:
#   firmware/part-image.sh PART.block OUTDIR      then   kv74 --images OUTDIR
# PART.block holds `.block` lines as firmware/part.blk does (values in display units; see
# docs/operating.md and firmware/AUTO.md). OUTDIR receives V4, AMT and RAM: the firmware and
# its tables as bundled, and a RAM image whose five program areas hold PART.block (at most
# 249 entries). Each file is written to a temporary beside it and renamed; on an error
# (a bad block, a program too long) nothing in OUTDIR is changed.
#   KV74_AS=PATH            an assembler to use instead of building one
#   KV74_FIRMWARE_BUILD=DIR build directory for the assembler (default build-firmware/)
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PART.block OUTDIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
part=$1
out=$2
[ -r "$part" ] || { echo "$0: cannot read $part" >&2; exit 1; }

as=${KV74_AS:-}
if [ -z "$as" ]; then
  build=${KV74_FIRMWARE_BUILD:-$root/build-firmware}
  cmake -S "$root" -B "$build" -G Ninja -DKV74_GUI=OFF -DKV74_TESTS=OFF -DKV74_BENCH=OFF >/dev/null
  cmake --build "$build" --target kv74-as -j2 >/dev/null
  as="$build/tools/kv74-as/kv74-as"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/firmware/*.asm "$root"/firmware/*.inc "$work/"
cp "$part" "$work/part.blk"
"$as" -o "$work/out" "$work/firmware.asm"

mkdir -p "$out"
for image in V4 AMT RAM; do
  cp "$work/out/$image" "$out/.$image.tmp"
done
for image in V4 AMT RAM; do
  mv "$out/.$image.tmp" "$out/$image"
done
echo "$out: V4, AMT and RAM with the program of $part"
