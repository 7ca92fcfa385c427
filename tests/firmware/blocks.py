"""Part programs in block text, independent of the firmware: the entries that a `.block` line
makes, the text the panel decodes from them, and where a program leaves the tool.

The expectations of the automatic-mode tests are derived from firmware/part.blk through
this model, not copied from a run.
"""
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
PART_BLK = os.path.join(HERE, "..", "..", "firmware", "part.blk")

TABLE = 0x45A7  # first block-table entry
USED = 0x45A6  # header word: entries used
LETTERS = "XZGMSTPF"  # type codes 1..8
FLAGS = {"": 0, "+\\": 1, "-/": 2, "w": 3}
ITEM = re.compile(r"([XZGMSTPF])(\+\\|-/|w)?(L)?(-?\d+)$")


def encode_item(item, last):
    """One `.block` item such as "X+\\L1500" -> (hi, lo)."""
    m = ITEM.match(item)
    if not m:
        raise ValueError(f"not a block item: {item}")
    letter, flag, inc, number = m.group(1), m.group(2) or "", m.group(3), m.group(4)
    code = LETTERS.index(letter) + 1
    if letter in "GMST":
        value = int(number, 16)  # the decimal digits, packed
    else:
        value = int(number) & 0xFFFFFF
    hi = (0x8000 if last else 0) | (0x4000 if inc else 0) | FLAGS[flag] << 12 | code << 8
    return hi | value >> 16, value & 0xFFFF


def encode_block(text):
    items = text.split()
    return [encode_item(item, i == len(items) - 1) for i, item in enumerate(items)]


def read_blocks(path=PART_BLK):
    """The `.block` lines of a file, each as its list of items."""
    blocks = []
    with open(path) as f:
        for line in f:
            code = line.split(";", 1)[0].split()
            if code[:1] == [".block"]:
                blocks.append(code[1:])
    return blocks


def table(blocks):
    """Block texts -> the list of entries [(hi, lo), ...] of the block table."""
    entries = []
    for items in blocks:
        entries += encode_block(" ".join(items))
    return entries


def patches(blocks):
    """RAM patches that make `blocks` the stored program."""
    entries = table(blocks)
    words = [w for entry in entries for w in entry]
    return [("RAM", USED, len(entries))] + [("RAM", TABLE + i, w) for i, w in enumerate(words)]


def starts(entries):
    """Index of the first entry of each block."""
    result, begin = [], 0
    for i, (hi, _) in enumerate(entries):
        if hi & 0x8000:
            result.append(begin)
            begin = i + 1
    return result


class Panel:
    """The block display: decodes the block at an index when the Kadr digits change."""

    def __init__(self, entries):
        self.entries = entries
        self.gate = 0
        self.lines = []

    @staticmethod
    def entry_text(hi, lo):
        code = hi >> 8 & 0xF
        raw = (hi & 0xFF) << 16 | lo
        signed = raw - (1 << 24) if raw & 0x800000 else raw
        digits = sum((raw >> (4 * k) & 0xF) * 10 ** k for k in range(6))
        if code in (1, 2):
            flags = hi >> 12 & 3
            text = " X " if code == 1 else " Z "
            text += {0: "", 1: "+\\ ", 2: "-/ ", 3: "w "}[flags]
            return text + ("L " if hi & 0x4000 else "") + str(signed)
        if code in (3, 4, 5, 6):
            return f" {'GMST'[code - 3]} {digits}"
        if code in (7, 8):
            return f" {'PF'[code - 7]} {signed}"
        return ""

    def decode(self, n):
        if self.gate and n < self.gate:
            return
        self.gate, text, i = 0, "", n
        while True:
            hi, lo = self.entries[i]
            if hi & 0x8000:
                text += " "
            else:
                text += " *"
                self.gate = 1
            text += self.entry_text(hi, lo)
            i += 1
            if hi & 0x8000:
                break
        if self.gate:
            self.gate = i
        self.lines.append(f"{n} -> {text}")

    def reset_gate(self):  # keys N and stop
        self.gate = 0


def run_trace(entries, start=0, boot=True, selected=False):
    """The trace lines of a run from `start` to M30: the block shown at power-on, the block
    chosen with N (if `selected`), every block the run moves on to, and block 0 shown again
    at the end."""
    panel = Panel(entries)
    if boot:
        panel.decode(0)
    if selected:
        panel.reset_gate()
        panel.decode(start)
    block_starts = starts(entries)
    k = block_starts.index(start)
    while True:
        n = block_starts[k]
        count = block_starts[k + 1] - n if k + 1 < len(block_starts) else len(entries) - n
        if any((hi >> 8 & 0xF) == 4 and lo == 0x30 for hi, lo in entries[n:n + count]):
            panel.decode(0)
            return panel.lines
        k += 1
        panel.decode(block_starts[k])


def end_point(blocks, x, z):
    """Where the motion blocks leave the tool, starting at (x, z); positions in steps, block
    values in display units (two steps)."""
    for items in blocks:
        given = {}
        for item in items:
            m = ITEM.match(item)
            letter, flag, inc, value = m.group(1), m.group(2), m.group(3), int(m.group(4))
            if letter in "XZ":
                value *= 2
                base = x if letter == "X" else z
                given[letter] = (base + value if inc else value, flag)
        nx, xflag = given.get("X", (x, None))
        nz, zflag = given.get("Z", (z, None))
        if xflag in ("+\\", "-/"):
            way = abs(nx - x) // 2
            nz = z + (way if xflag == "+\\" else -way)
        if zflag in ("+\\", "-/"):
            way = 2 * abs(nz - z)
            nx = x + (way if zflag == "+\\" else -way)
        x, z = nx, nz
    return x, z
