"""firmware/part-image.sh: a part program of one's own into a RAM image that kv74-run (and
the window, with --images) runs."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import blocks
from fwrun import AUTO, DATA, RUN, START, State

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "firmware",
                      "part-image.sh")
PROGRAM = """; a short test part
        .block  G0 X5000 Z9000
        .block  G1 ZL-500 F800
        .block  G1 X+\\6000                   ; 45 degrees off
        .block  M30
"""


class PartImage(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kv74part-")
        self.part = os.path.join(self.tmp, "my.block")
        self.out = os.path.join(self.tmp, "images")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def make(self, text):
        with open(self.part, "w") as f:
            f.write(text)
        return subprocess.run([SCRIPT, self.part, self.out], capture_output=True, text=True)

    def test_runs_the_program(self):
        self.assertEqual(self.make(PROGRAM).returncode, 0)
        for name in ("V4", "AMT"):
            with open(os.path.join(self.out, name), "rb") as a, \
                    open(os.path.join(DATA, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        script = os.path.join(self.tmp, "input.txt")
        with open(script, "w") as f:
            f.write(f"100000 click {AUTO}\n200000 click {START}\n")
        state = os.path.join(self.tmp, "state.json")
        subprocess.run([RUN, "--images", self.out, "--steps", "3000000", "--input", script,
                        "--state-json", state, "--workdir", self.tmp, "--quiet"], check=True)
        with open(state) as f:
            s = State(json.load(f))
        texts = blocks.read_blocks(self.part)
        self.assertEqual((s.x, s.z), blocks.end_point(texts, 7200, 22000))
        with open(os.path.join(self.tmp, "prog.txt")) as f:
            trace = f.read().splitlines()
        self.assertEqual(trace, blocks.run_trace(blocks.table(texts)))

    def test_bad_program_changes_nothing(self):
        self.assertEqual(self.make(PROGRAM).returncode, 0)
        with open(os.path.join(self.out, "RAM"), "rb") as f:
            before = f.read()
        for text in (".block G1 Q5\n", ".block G1 X100\n" * 300):  # bad item; too long
            with self.subTest(text=text[:16]):
                result = self.make(text)
                self.assertNotEqual(result.returncode, 0)
                with open(os.path.join(self.out, "RAM"), "rb") as f:
                    self.assertEqual(f.read(), before)
                self.assertEqual(sorted(os.listdir(self.out)), ["AMT", "RAM", "V4"])


if __name__ == "__main__":
    unittest.main()
