#!/usr/bin/env bash
# Assembles a part program of your own into a RAM image beside the bundled firmware, so that
# the emulator runs it:
#   firmware/part-image.sh PART.block OUTDIR      then   kv74 --images OUTDIR
# PART.block holds `.block` lines as firmware/part.blk does (values in display units; see
# docs/operating.md and firmware/AUTO.md). OUTDIR receives V4, AMT and RAM: the firmware and
# its tables as bundled, and a RAM image whose five program areas hold PART.block (at most
# 249 entries; its last block must hold M30, so that a run never goes past the end). Each
# file is written to a temporary beside it and renamed; on an error (a bad block, a program
# too long, empty or without M30 at its end) nothing in OUTDIR is changed, the message names
# PART.block and its line, and the exit status is 1.
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

# Entries (one per item) and the last block's items, comments dropped.
read -r entries last_line last < <(awk '
  { sub(/;.*/, "") }
  $1 == ".block" { n += NF - 1; line = NR; items = ""; for (i = 2; i <= NF; i++) items = items " " $i }
  END { printf "%d %d%s\n", n, line, items }' "$part")
limit=249
if [ "$entries" -eq 0 ]; then
  echo "$part: no .block lines: the program is empty" >&2
  exit 1
fi
if [ "$entries" -gt "$limit" ]; then
  echo "$part: $entries entries: a program holds at most $limit" >&2
  exit 1
fi
case " $last " in
  *" M30 "*) ;;
  *) echo "$part:$last_line: the last block has no M30: a program must end with M30" >&2
     exit 1 ;;
esac

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
if ! "$as" -o "$work/out" "$work/firmware.asm" 2>"$work/errors"; then
  # the messages name the user's file and the firmware sources, not the temporary copy
  sed -e "s|$work/part.blk|$part|g" -e "s|$work/|$root/firmware/|g" "$work/errors" >&2
  exit 1
fi

mkdir -p "$out"
for image in V4 AMT RAM; do
  cp "$work/out/$image" "$out/.$image.tmp"
done
for image in V4 AMT RAM; do
  mv "$out/.$image.tmp" "$out/$image"
done
echo "$out: V4, AMT and RAM with the program of $part"
