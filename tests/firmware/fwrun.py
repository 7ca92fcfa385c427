"""Runs the firmware headless through kv74-run and reads back what the panel shows.

Environment (set by ctest): KV74_RUN (the runner), KV74_FIRMWARE (the build's firmware
folder with one sub-folder per image), KV74_DATA (the committed data/ folder).
"""
import json
import os
import shutil
import struct
import subprocess
import tempfile
import uuid

RUN = os.environ.get("KV74_RUN", "kv74-run")
FIRMWARE = os.environ.get("KV74_FIRMWARE", "build/firmware")
DATA = os.environ.get("KV74_DATA", "data")
COVERAGE = os.environ.get("KV74_COVERAGE_DIR")  # set: each V4 run writes a tracefile there

RED = 255
GREEN = 65280
GREY = 8421504

# Panel key names by the character an operator would write.
KEY = {
    "X": "k0x09", "Z": "k0x0A", "F": "k0x0B", "M": "k0x0C", "S": "k0x0D", "T": "k0x0E",
    "P": "k0x11", "G": "k0x12", "0": "k0x13", "1": "k0x14", "2": "k0x15", "3": "k0x16",
    "4": "k0x19", "5": "k0x1A", "6": "k0x1B", "7": "k0x1C", "8": "k0x1D", "9": "k0x1E",
    "-": "k0x26", "*": "k0x3E", "C": "k0x39",
}
MANUAL, AUTO, HOME, START, STOP = "k0x29", "k0x2B", "k0x2E", "k0x33", "k0x3D"
JOG_AXIS_X, JOG_AXIS_Z = "k0x35", "k0x36"
JOG_UP, JOG_DOWN, JOG_LEFT, JOG_RIGHT = "k0x78", "k0x79", "k0x7a", "k0x7b"

JOG_PERIOD = 720896  # steps between two samplings of the jog toggles
KEY_GAP = 20000  # steps between two key clicks: several main-loop passes

AREA_BASE = {"V4": 0x0000, "AMT": 0x7000, "RAM": 0x4000}


def typed(text, start, gap=KEY_GAP):
    """Clicks for a key sequence such as "S1200*", one key every `gap` steps from `start`."""
    return [(start + i * gap, KEY[ch]) for i, ch in enumerate(text)]


def image_dir(name="V4"):
    return os.path.join(FIRMWARE, name)


class State:
    """The machine and the panel after a run."""

    def __init__(self, js):
        self.js = js
        self.steps = js["steps"]
        self.reg = js["registers"]
        self.mem = js["data_memory"]
        self.panel = js["panel"]
        self.captions = self.panel["captions"]
        self.colours = self.panel["colours"]
        self.trace = []  # lines of prog.txt

    def word(self, w):
        return self.reg[w]

    def ram(self, address):
        return self.mem[address - 0x4000]

    def ram32(self, address):
        value = self.ram(address) << 16 | self.ram(address + 1)
        return value - (1 << 32) if value & 0x80000000 else value

    @property
    def x(self):
        return self.ram32(0x425E)

    @property
    def z(self):
        return self.ram32(0x4260)

    def caption(self, names):
        return "".join(self.captions[n] for n in names)

    @property
    def row(self):
        """The Digit row: sign and six digits as the panel shows them."""
        return self.caption(["al34", "al32", "al31", "al44", "al43", "al42", "al41"])

    @property
    def feed_digits(self):
        return self.caption(["al14", "al13", "al12", "al11"])

    @property
    def block_digits(self):
        return self.caption(["al23", "al22", "al21"])

    def lit(self, lamp):
        return self.colours[lamp] in (RED, GREEN)

    def lit_lamps(self, prefix):
        return sorted(int(k[len(prefix):]) for k, v in self.colours.items()
                      if k.startswith(prefix) and v in (RED, GREEN))


def patched_images(patches, source="V4"):
    """A temporary image folder: the build's images with (area, address, word) patches."""
    tmp = tempfile.mkdtemp(prefix="kv74fw-")
    src = image_dir(source)
    for name, target in ((source, "V4"), ("AMT", "AMT"), ("RAM", "RAM")):
        shutil.copyfile(os.path.join(src, name), os.path.join(tmp, target))
    for area, address, value in patches:
        offset = (address - AREA_BASE[area]) * 2
        with open(os.path.join(tmp, area), "r+b") as f:
            f.seek(offset)
            f.write(struct.pack("<H", value))
    return tmp


def coverage_args(variant="V4", until_pc=None):
    """kv74-run's options for a tracefile of the run in KV74_COVERAGE_DIR, when that is set and
    the run is of the V4 image without a stop address (which needs the monitor)."""
    if not COVERAGE or variant != "V4" or until_pc is not None:
        return []
    return ["--coverage", os.path.join(COVERAGE, uuid.uuid4().hex + ".info"),
            "--debug-info", os.path.join(DATA, "V4.debug.json")]


def run(steps, clicks=(), patches=(), variant="V4", until_pc=None):
    """Runs `steps` steps with the clicks [(step, name), ...]; returns the final State."""
    images = patched_images(patches, variant)
    try:
        script = os.path.join(images, "input.txt")
        with open(script, "w") as f:
            for step, name in sorted(clicks, key=lambda c: c[0]):
                f.write(f"{step} click {name}\n")
        state = os.path.join(images, "state.json")
        cmd = [RUN, "--images", images, "--steps", str(steps), "--input", script,
               "--state-json", state, "--workdir", os.path.join(images, "work"), "--quiet"]
        if until_pc is not None:
            cmd += ["--until-pc", str(until_pc)]
        subprocess.run(cmd + coverage_args(variant, until_pc), check=True)
        with open(state) as f:
            result = State(json.load(f))
        trace = os.path.join(images, "work", "prog.txt")
        if os.path.exists(trace):
            with open(trace) as f:
                result.trace = f.read().splitlines()
        return result
    finally:
        shutil.rmtree(images, ignore_errors=True)


def symbols(variant="V4"):
    """The assembler's symbol table of a build: name -> value."""
    table = {}
    with open(os.path.join(image_dir(variant), "symbols.txt")) as f:
        for line in f:
            name, _, value = line.partition(" = ")
            if value:
                table[name.strip()] = int(value, 0)
    return table


FWPATH = os.environ.get("KV74_FWPATH", "fwpath")


def path(steps, clicks=(), patches=(), variant="V4"):
    """The tool position at every channel step: (start, [(step, x, z), ...])."""
    images = patched_images(patches, variant)
    try:
        script = os.path.join(images, "input.txt")
        with open(script, "w") as f:
            for step, name in sorted(clicks, key=lambda c: c[0]):
                f.write(f"{step} click {name}\n")
        out = subprocess.run([FWPATH, images, str(steps), script], check=True,
                             capture_output=True, text=True).stdout.split("\n")
        start = tuple(int(v) for v in out[0].split())
        points = [tuple(int(v) for v in line.split()) for line in out[1:] if line]
        return start, points
    finally:
        shutil.rmtree(images, ignore_errors=True)
