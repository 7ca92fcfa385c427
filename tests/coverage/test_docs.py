"""The outputs shown in docs/coverage-and-profiling.md, produced again and compared: each block
after an "<!-- output of: NAME -->" line must appear, line by line and in order, in what the
command named NAME prints for the documented automatic run.

Environment (set by ctest): KV74_RUN.
"""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

RUN = os.environ.get("KV74_RUN", "kv74-run")
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
DOC = os.path.join(ROOT, "docs", "coverage-and-profiling.md")


def documented_blocks():
    with open(DOC) as f:
        text = f.read()
    return {m.group(1): [line[4:] for line in m.group(2).splitlines()]
            for m in re.finditer(r"<!-- output of: (\S+) -->\n((?:    .*\n)+)", text)}


class Documented(unittest.TestCase):
    def test_outputs_are_what_the_tools_print(self):
        blocks = documented_blocks()
        self.assertEqual(sorted(blocks), ["callgrind_annotate", "genhtml"])
        out = tempfile.mkdtemp()
        try:
            subprocess.run([RUN, "-q", "--input", "firmware/demo/auto-run.input", "--steps",
                            "32000000", "--workdir", out, "--coverage", out + "/auto.info",
                            "--profile", out + "/auto.cg", "--coverage-base", "."],
                           cwd=ROOT, check=True)
            printed = {
                "genhtml": subprocess.run(
                    ["genhtml", "--branch-coverage", "-o", out + "/html", out + "/auto.info"],
                    cwd=ROOT, capture_output=True, text=True, check=True).stdout,
                "callgrind_annotate": subprocess.run(
                    ["callgrind_annotate", "--inclusive=yes", "--auto=no", out + "/auto.cg"],
                    cwd=ROOT, capture_output=True, text=True, check=True).stdout,
            }
        finally:
            shutil.rmtree(out)
        for name, lines in blocks.items():
            actual = printed[name].splitlines()
            at = 0
            for line in lines:
                self.assertIn(line, actual[at:], "%s: %r" % (name, line))
                at = actual.index(line, at) + 1


if __name__ == "__main__":
    unittest.main()
