#!/usr/bin/env python3
"""python3 data/make_placeholders.py --busy-loop DIR

Writes into DIR an image set for timing the runner: V4 sets every peripheral to work (timer
expiring every 101 steps, three pulse channels stepping, jog sampling, sequencer busy) and then
spins in a two-instruction loop (the program of bench/bench_periph.cpp).

The images in this folder are the firmware, built by firmware/build.sh; this script never
writes here.
"""
import os
import struct
import sys

PROGRAM_WORDS = 8192
AREA_WORDS = 4096


def write(name, words, folder):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(struct.pack("<%dH" % len(words), *words))


def ram():
    """The watched cells' initial values and the address of the first block table entry."""
    words = [0] * AREA_WORDS
    words[0x4040 - 0x4000] = 0x45A7  # first BlockTable entry
    words[0x425F - 0x4000] = 7200    # PositionXCell, low word
    words[0x4261 - 0x4000] = 22000   # PositionZCell, low word
    return words


def busy_program():
    words = [0] * PROGRAM_WORDS
    words[0:2] = [0xE350, 0x0100]  # JMP [0100]
    code = [0xE080, 0xF100, 0xF1D0]    # BASE0 := 0xF100
    for value, offset in [(0x0001, 0x10),   # timer expiry raises no request
                          (0x0001, 0x01),   # timer periodic
                          (0x0000, 0x00),   # reload 0: expires every 101 steps
                          (0x4008, 0x24),   # key lamps: jog sampling
                          (0x6125, 0x32),   # channels on, exchange with strobe
                          (0x0001, 0x40),   # channel 0 up
                          (0xFFFF, 0x41),   # channel 1 down
                          (0x8000, 0x43)]:  # channel 2 down, every 5 steps
        code += [0xE180, value, 0x1100 | offset]
    code += [0xE180, 0x6125]              # R1 for the loop
    words[0x100:0x100 + len(code)] = code
    # INC R2; JNZ back; every 65536 rounds rewrite the output port (the exchange restarts).
    words[0x120:0x124] = [0xF882, 0x64FF, 0x1132, 0x63FD]
    return words


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--busy-loop":
        os.makedirs(sys.argv[2], exist_ok=True)
        write("V4", busy_program(), sys.argv[2])
        write("AMT", [0] * AREA_WORDS, sys.argv[2])
        write("RAM", ram(), sys.argv[2])
        sys.exit(0)
    sys.stderr.write(__doc__)
    sys.exit(2)
