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

    # program, the message (one line, naming the user's file as {part})
    REFUSED = [
        (".block G0 X100\n.block G1 Q5\n.block M30\n",
         "{part}:2:11: error: 'Q5': a block item begins with one of X Z G M S T P F"),
        (".block G1 X100\n" * 300 + ".block M30\n", "{part}: 601 entries: a program holds at most 249"),
        ("; nothing\n", "{part}: no .block lines: the program is empty"),
        (".block G1 X100\n.block G0 Z5 ; M30\n",
         "{part}:2: the last block has no M30: a program must end with M30"),
    ]

    def test_refusals_change_nothing(self):
        self.assertEqual(self.make(PROGRAM).returncode, 0)
        with open(os.path.join(self.out, "RAM"), "rb") as f:
            before = f.read()
        for text, message in self.REFUSED:
            with self.subTest(text=text[:20]):
                result = self.make(text)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stderr.splitlines()[0], message.format(part=self.part))
                self.assertLessEqual(len(result.stderr.splitlines()), 2)
                with open(os.path.join(self.out, "RAM"), "rb") as f:
                    self.assertEqual(f.read(), before)
                self.assertEqual(sorted(os.listdir(self.out)), ["AMT", "RAM", "V4"])

if __name__ == "__main__":
    unittest.main()
