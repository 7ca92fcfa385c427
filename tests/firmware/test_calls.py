"""Routines of the call table called through their entries, as another program would call
them (firmware/README.md): a key whose table entry is patched runs a few calls and stores the
results in free RAM."""
import os
import struct
import subprocess
import tempfile
import unittest

from fwrun import run

AS = os.environ.get("KV74_AS", "kv74-as")
SPARE = 0x1F00  # unused program memory
KEY_CODE = 0x22  # k0x22 does nothing in this firmware
OUT = 0x0FC0  # results from 0x4FC0 (free RAM)


def code_words(source):
    """The program-memory words at SPARE that kv74-as makes of `source`."""
    with tempfile.TemporaryDirectory(prefix="kv74calls-") as tmp:
        path = os.path.join(tmp, "calls.asm")
        with open(path, "w") as f:
            f.write(f"        .org    {SPARE:#x}\n{source}")
        subprocess.run([AS, "-o", tmp, path], check=True)
        with open(os.path.join(tmp, "V4"), "rb") as f:
            data = f.read()
    words = struct.unpack("<%dH" % (len(data) // 2), data)
    end = max(i for i, w in enumerate(words) if w) + 1
    return words[SPARE:end]


def call_results(calls, results):
    """Runs `calls` (source lines, each leaving results in registers) as the handler of
    k0x22; `results` names the registers stored after each call. -> the stored words."""
    lines = []
    for n, call in enumerate(calls):
        lines.append(call)
        for i, reg in enumerate(results):
            lines.append(f"        MOV     M[BASEX+{OUT + n * len(results) + i:#x}],{reg}")
    lines.append("        JMP     [STACK]")
    patches = [("V4", SPARE + i, w) for i, w in enumerate(code_words("\n".join(lines) + "\n"))]
    patches.append(("AMT", 0x7020 + KEY_CODE, SPARE))
    s = run(200000, [(100000, "k0x22")], patches)
    count = len(calls) * len(results)
    return [s.ram(0x4000 + OUT + i) for i in range(count)]


class Div32(unittest.TestCase):
    """Entry 24: R0:R1 / R2 -> R1 quotient, R0 remainder (R0:R1 below R2 x 65536)."""

    CASES = [(10, 5), (7, 7), (100, 7), (1000, 10), (65535, 65535), (0x00020000, 3),
             (0x00040000, 8), (0x12345678, 0x2000), (100 << 16, 300), (0x7FFF0000, 0xFFFF)]

    def test_quotient_and_remainder(self):
        calls = [f"        MOV     R0,#{n >> 16:#x}\n        MOV     R1,#{n & 0xFFFF:#x}\n"
                 f"        MOV     R2,#{d:#x}\n        CALL    M[0018]" for n, d in self.CASES]
        got = call_results(calls, ("R1", "R0"))
        for i, (n, d) in enumerate(self.CASES):
            with self.subTest(dividend=n, divisor=d):
                self.assertEqual(tuple(got[2 * i:2 * i + 2]), divmod(n, d))


if __name__ == "__main__":
    unittest.main()
