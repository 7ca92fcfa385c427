"""Coverage and profile files of kv74-run on tiny.asm, whose counts are known: checked number by
number, then read by genhtml, lcov and callgrind_annotate, merged, and taken from a snapshot.

Environment (set by ctest): KV74_RUN, KV74_AS.
"""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

RUN = os.environ.get("KV74_RUN", "kv74-run")
AS = os.environ.get("KV74_AS", "kv74-as")
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "tiny.asm")
TICKS = 9  # timer request entries in the first 1000 steps


def line_of(text):
    """The source line holding `text` (1-based)."""
    with open(SOURCE) as f:
        for n, line in enumerate(f, 1):
            if text in line:
                return n
    raise AssertionError(text)


def parse_lcov(path):
    """{kind: {key: value}} of the one record: DA by line, BRDA by (line, branch), FNDA by name."""
    r = {"DA": {}, "BRDA": {}, "FNDA": {}, "FN": {}, "SF": []}
    with open(path) as f:
        for line in f:
            key, _, value = line.strip().partition(":")
            fields = value.split(",")
            if key == "DA":
                r["DA"][int(fields[0])] = int(fields[1])
            elif key == "BRDA":
                r["BRDA"][(int(fields[0]), int(fields[2]))] = fields[3]
            elif key == "FNDA":
                r["FNDA"][fields[1]] = int(fields[0])
            elif key == "FN":
                r["FN"][fields[1]] = int(fields[0])
            elif key == "SF":
                r["SF"].append(value)
    return r


class Tiny(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        cls.images = os.path.join(cls.dir, "images")
        os.mkdir(cls.images)
        cls.info = os.path.join(cls.dir, "tiny.debug.json")
        subprocess.run([AS, "-o", cls.images, "--debug-info", cls.info, SOURCE], check=True)
        for name in ("AMT", "RAM"):
            with open(os.path.join(cls.images, name), "wb") as f:
                f.write(bytes(8192))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def run_tool(self, *args, steps=1000):
        subprocess.run([RUN, "-q", "--images", self.images, "--debug-info", self.info, "--workdir",
                        os.path.join(self.dir, "w"), "--steps", str(steps), *args], check=True,
                       cwd=self.dir)

    def out(self, name):
        return os.path.join(self.dir, name)

    def test_counts(self):
        self.run_tool("--coverage", self.out("c.info"), "--profile", self.out("p.cg"),
                      "--profile-folded", self.out("p.folded"))
        c = parse_lcov(self.out("c.info"))
        self.assertEqual(c["SF"], [os.path.realpath(SOURCE)])
        call1, dec, jnz = (line_of(t) for t in ("CALL    [Parity]", "DEC     R1", "JNZ     Loop"))
        call2 = jnz + 1
        jz, inc, ret = line_of("JZ      Even"), line_of("INC     R3"), line_of("Even:") + 1
        spin, tick = line_of("JMP     [Spin]"), line_of("Tick:") + 1
        for line, count in [(call1, 10), (dec, 10), (jnz, 10), (call2, 1), (jz, 11), (inc, 5),
                            (ret, 11), (tick, TICKS), (line_of("Reset:") + 1, 1)]:
            self.assertEqual(c["DA"][line], count, "line %d" % line)
        # Every step is a counted instruction or a request entry; the table is never a line.
        self.assertEqual(sum(c["DA"].values()) + TICKS, 1000)
        self.assertNotIn(line_of(".word   1, 2, 3"), c["DA"])
        self.assertEqual(c["BRDA"], {(jnz, 0): "9", (jnz, 1): "1", (jz, 0): "6", (jz, 1): "5"})
        self.assertEqual(c["FNDA"], {"Parity": 11, "Tick": TICKS})
        self.assertEqual(c["FN"], {"Parity": line_of("Parity:") + 1, "Tick": tick})

        with open(self.out("p.cg")) as f:
            cg = f.read()
        self.assertIn("events: Steps Calls\nsummary: 1000 11\n", cg)
        # The calls from each site with their inclusive steps (odd R1: 5 steps, even: 4), and
        # the timer entries as calls from the interrupted spin (entry step and return).
        edges = re.findall(r"cfn=(\w+)\ncalls=(\d+) (\d+)\n(\d+) (\d+) (\d+)", cg)
        parity = line_of("Parity:") + 1
        self.assertEqual(sorted(edges), sorted([
            ("Parity", "10", str(parity), str(call1), "45", "0"),
            ("Parity", "1", str(parity), str(call2), "4", "0"),
            ("Tick", str(TICKS), str(tick), str(spin), str(2 * TICKS), "0")]))

        with open(self.out("p.folded")) as f:
            folded = dict(line.rsplit(" ", 1) for line in f.read().splitlines())
        self.assertEqual({k: int(v) for k, v in folded.items()},
                         {"Reset": 1, "Start": 1000 - 1 - 49 - 2 * TICKS, "Start;Parity": 49,
                          "Start;Tick": 2 * TICKS})

    def test_tools_read_them_without_warnings(self):
        self.run_tool("--coverage", self.out("t.info"), "--profile", self.out("t.cg"))
        html = self.out("html")
        r = subprocess.run(["genhtml", "--branch-coverage", "-o", html, self.out("t.info")],
                           capture_output=True, text=True, check=True)
        self.assertNotRegex(r.stdout + r.stderr, "(?i)warning|error")
        self.assertIn("branches...: 100.0% (4 of 4 branches)", r.stdout)
        # The source page, with the source.
        pages = [os.path.join(d, n) for d, _, names in os.walk(html) for n in names
                 if n == "tiny.asm.gcov.html"]
        with open(pages[0]) as f:
            self.assertIn("JZ      Even", f.read())
        r = subprocess.run(["callgrind_annotate", "--inclusive=yes", self.out("t.cg"), SOURCE],
                           capture_output=True, text=True, check=True)
        self.assertNotRegex(r.stdout + r.stderr, "(?i)warning|error|could not")
        self.assertRegex(r.stdout, r"1,000 \(100\.0%\)\s+11 \(100\.0%\)\s+PROGRAM TOTALS")

    def test_merge_snapshot_and_monitor(self):
        # Two runs merged by lcov -a add up.
        self.run_tool("--coverage", self.out("a.info"), steps=500)
        self.run_tool("--coverage", self.out("b.info"))
        subprocess.run(["lcov", "-q", "-a", self.out("a.info"), "-a", self.out("b.info"), "-o",
                        self.out("m.info")], check=True, capture_output=True)
        a, b, m = (parse_lcov(self.out(n))["DA"] for n in ("a.info", "b.info", "m.info"))
        self.assertEqual(m, {k: a[k] + b[k] for k in b})
        # A run from the snapshot at step 500 counts the steps from 500 to 1000 only.
        with open(self.out("save.do"), "w") as f:
            f.write("continue 500\nsave-state %s\n" % self.out("s.snap"))
        subprocess.run([RUN, "-q", "--images", self.images, "--debug-info", self.info,
                        "--workdir", self.out("w"), "--do", self.out("save.do")], check=True,
                       capture_output=True)
        self.run_tool("--load-state", self.out("s.snap"), "--coverage", self.out("s.info"))
        s = parse_lcov(self.out("s.info"))["DA"]
        self.assertEqual(s, {k: b[k] - a[k] for k in b})
        # The monitor's coverage command counts from where it is given.
        with open(self.out("count.do"), "w") as f:
            f.write("continue 500\ncoverage on\ncontinue 500\ncoverage lcov %s\n"
                    % self.out("d.info"))
        subprocess.run([RUN, "-q", "--images", self.images, "--debug-info", self.info,
                        "--workdir", self.out("w"), "--do", self.out("count.do")], check=True,
                       capture_output=True)
        self.assertEqual(parse_lcov(self.out("d.info"))["DA"], s)

    def test_base_makes_paths_relative(self):
        self.run_tool("--coverage", self.out("r.info"), "--coverage-base", HERE)
        self.assertEqual(parse_lcov(self.out("r.info"))["SF"], ["tiny.asm"])


if __name__ == "__main__":
    unittest.main()
