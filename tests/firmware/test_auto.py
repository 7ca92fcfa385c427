"""Automatic mode: the stored program runs to M30 with its trace, end point, functions and
plot; single block, hold, stop, loss of ready, start from a chosen block, arcs, bad blocks.

The plot of the whole run is compared with tests/firmware/auto_run_plot.png; after an
intended change of the program or the motion, refresh it with
    KV74_REFRESH_GOLDEN=1 python3 -m unittest test_auto     (in tests/firmware, as ctest runs)
"""
import json
import math
import os
import shutil
import subprocess
import tempfile
import unittest

import blocks
import pngimage
from fwrun import (AUTO, KEY, RUN, START, STOP, State, coverage_args, patched_images, run,
                   symbols)

N_KEY, HOLD, SINGLE, READY = "k0x21", "k0x2A", "k0x32", "ki8"
GO = [(100000, AUTO), (200000, START)]
DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "firmware", "demo",
                    "auto-run.input")
WHOLE_RUN = 40_000_000  # the stored program ends after about 29.3 million steps
GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "auto_run_plot.png")
PLOT_TOLERANCE = 300  # pixels that may differ from the reference picture

AU_STATE, ST_IDLE, ST_TOOL, ST_FUNC, ST_MOVING, ST_WAIT = 0x4080, 0, 2, 3, 5, 8
ERROR = 0x4018


def run_with_plot(steps, clicks, png):
    """As fwrun.run, also writing the plot picture to `png`."""
    images = patched_images([])
    try:
        script = os.path.join(images, "input.txt")
        with open(script, "w") as f:
            f.writelines(f"{step} click {name}\n" for step, name in clicks)
        state = os.path.join(images, "state.json")
        subprocess.run([RUN, "--images", images, "--steps", str(steps), "--input", script,
                        "--state-json", state, "--workdir", os.path.join(images, "work"),
                        "--plot-png", png, "--quiet", *coverage_args()], check=True)
        with open(state) as f:
            result = State(json.load(f))
        with open(os.path.join(images, "work", "prog.txt")) as f:
            result.trace = f.read().splitlines()
        return result
    finally:
        shutil.rmtree(images, ignore_errors=True)


class Program:
    """What the stored program should do, from its block text."""
    texts = blocks.read_blocks()
    entries = blocks.table(texts)
    end = blocks.end_point(texts, 7200, 22000)
    trace = blocks.run_trace(entries)


def demo_clicks():
    """The clicks of the demo script firmware/demo/auto-run.input."""
    clicks = []
    with open(DEMO) as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if words:
                clicks.append((int(words[0]), words[2]))
    return clicks


class WholeRun(unittest.TestCase):
    """The demo script: automatic mode and start from power-on."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="kv74auto-")
        cls.png = os.path.join(cls.tmp, "plot.png")
        cls.s = run_with_plot(WHOLE_RUN, demo_clicks(), cls.png)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_stored_program_is_the_block_text(self):
        s = self.s
        used = s.ram(blocks.USED)
        self.assertEqual(used, len(Program.entries))
        stored = [(s.ram(blocks.TABLE + 2 * i), s.ram(blocks.TABLE + 2 * i + 1))
                  for i in range(used)]
        self.assertEqual(stored, Program.entries)

    def test_trace_lists_every_block_in_order(self):
        self.assertEqual(self.s.trace, Program.trace)

    def test_ends_on_the_last_programmed_point(self):
        s = self.s
        self.assertEqual((s.x, s.z), Program.end)
        self.assertEqual((s.captions["x"], s.captions["z"]),
                         (str(Program.end[0] // 2), str(Program.end[1] // 2)))

    def test_back_at_block_zero_and_idle(self):
        s = self.s
        self.assertEqual(s.ram(0x410A), 0)
        self.assertEqual(s.block_digits, "000")
        self.assertEqual((s.captions["n"], s.ram(AU_STATE), s.ram(ERROR)), ("0", ST_IDLE, 0))
        self.assertEqual(s.lit_lamps("v1_"), [12])  # automatic mode, start dark

    def test_last_functions_feed_and_speed_shown(self):
        c = self.s.captions
        self.assertEqual((c["m"], c["t"], c["f"], c["s"]), ("30", "02", "600", "1200"))

    def test_handshake_left_clean(self):
        s = self.s
        self.assertEqual(s.js["sequencer"]["seqState"], "Done")
        self.assertEqual(s.word(35) & 0x4000, 0)  # not busy
        self.assertEqual(s.word(36) & 0x27FF, 0)  # no function code, strobe or byte

    def test_plot_matches_the_reference(self):
        if os.environ.get("KV74_REFRESH_GOLDEN"):
            shutil.copyfile(self.png, GOLDEN)
        diff = pngimage.differing_pixels(self.png, GOLDEN)
        self.assertLessEqual(diff, PLOT_TOLERANCE)

    def test_budget(self):
        s = run(WHOLE_RUN, GO, until_pc=symbols()["PhaseEndProgram"])
        self.assertLess(s.steps, 35_000_000)


class Stepping(unittest.TestCase):
    def test_single_block_waits_for_start_before_each_block(self):
        clicks = GO + [(150000, SINGLE)]
        s = run(1_000_000, clicks)  # block 0 done, block 3 (T1) shown, waiting
        self.assertEqual((s.ram(0x410A), s.ram(AU_STATE)), (3, ST_WAIT))
        self.assertEqual(s.trace, Program.trace[:2])
        self.assertEqual(s.lit_lamps("v1_"), [7, 12])  # single block, automatic; start dark
        self.assertEqual(s.js["sequencer"]["seqState"], "Idle")
        s = run(4_000_000, clicks + [(1_100_000, START)])  # T1 exchanged, block 4 waits
        self.assertEqual((s.ram(0x410A), s.ram(AU_STATE)), (4, ST_WAIT))
        self.assertEqual((s.captions["t"], s.captions["m"]), ("01", "z"))
        self.assertEqual(s.trace, Program.trace[:3])

    def test_hold_stops_the_axes_and_resumes_the_same_move(self):
        held = GO + [(8_300_000, HOLD)]
        a = run(8_600_000, held)
        b = run(9_600_000, held)
        self.assertEqual((a.x, a.z), (b.x, b.z))
        self.assertTrue(-400 < a.x < 42000)  # stopped while facing
        self.assertEqual((b.ram(AU_STATE), b.lit_lamps("v1_")), (ST_MOVING, [12, 13]))
        for resume in (HOLD, START):
            with self.subTest(resume=resume):
                s = run(WHOLE_RUN, held + [(9_700_000, resume)])
                self.assertEqual(s.trace, Program.trace)
                self.assertEqual(((s.x, s.z), s.ram(AU_STATE)), (Program.end, ST_IDLE))

    def test_interrupted_run_starts_again_at_its_block(self):
        # stop key; input 8 (ready) dropped and restored, error acknowledged with C
        cases = [("stop", [(8_300_000, STOP)]),
                 ("not ready", [(8_300_000, READY), (8_500_000, READY),
                                (8_600_000, KEY["C"])])]
        for name, clicks in cases:
            with self.subTest(name):
                a = run(9_000_000, GO + clicks)
                b = run(9_600_000, GO + clicks)
                self.assertEqual((a.ram(AU_STATE), a.ram(0x410A)), (ST_IDLE, 11))
                self.assertEqual((a.x, a.z), (b.x, b.z))
                s = run(WHOLE_RUN, GO + clicks + [(9_700_000, START)])
                self.assertEqual(((s.x, s.z), s.ram(AU_STATE)), (Program.end, ST_IDLE))
                self.assertEqual(s.trace[-1], Program.trace[-1])

    def test_stop_then_start_ends_on_the_programmed_point(self):
        # an incremental block stopped on its way resumes toward the same end point
        program = [["G0", "X3600", "Z11000"], ["G0", "XL5000"], ["G1", "ZL-500", "F1000"],
                   ["M30"]]
        for at in (225_000, 245_000):
            with self.subTest(stop_at=at):
                clicks = GO + [(at, STOP), (at + 100_000, START)]
                stopped = run(at + 50_000, clicks, patches=blocks.patches(program))
                self.assertTrue(7200 < stopped.x < 17200, stopped.x)
                s = run(3_000_000, clicks, patches=blocks.patches(program))
                self.assertEqual((s.x, s.z, s.ram(ERROR)), (17200, 21000, 0))
                self.assertEqual(s.ram(AU_STATE), ST_IDLE)

    def test_stop_during_an_exchange_resumes_it(self):
        # the block keeps the rapid mode of the block before it: resumed, not read afresh
        program = [["G0", "X3500", "Z10500"], ["T1", "X3000"], ["M30"]]
        clicks = GO + [(1_000_000, STOP), (1_100_000, START)]
        stopped = run(1_050_000, clicks[:-1], patches=blocks.patches(program))
        self.assertEqual((stopped.ram(0x410A), stopped.ram(AU_STATE)), (3, ST_IDLE))
        s = run(7_000_000, clicks, patches=blocks.patches(program))  # M30 exchanged too
        self.assertEqual((s.x, s.z, s.ram(ERROR), s.ram(AU_STATE)), (6000, 21000, 0, ST_IDLE))
        self.assertEqual(s.captions["t"], "01")

    def test_start_clears_an_old_error(self):
        clicks = [(100000, AUTO)] + [(120000 + 20000 * i, KEY[c]) for i, c in enumerate("F2000*")]
        s = run(300000, clicks)
        self.assertEqual(s.row, "-E   03")
        s = run(1_000_000, clicks + [(300000, START)])
        self.assertEqual((s.ram(ERROR), s.ram(AU_STATE) != ST_IDLE), (0, True))
        self.assertNotIn("E", s.row)

    def test_feed_typed_during_a_run_is_refused(self):
        clicks = GO + [(2_000_000 + 20000 * i, KEY[c]) for i, c in enumerate("F5*")]
        s = run(2_200_000, clicks)
        self.assertEqual((s.row, s.ram(0x4235), s.captions["f"]), ("-E   02", 0, "0"))

    def test_refused_starts_and_targets(self):
        # program, patches, error; nothing moves
        cases = [([["G1", "X40000", "F500"], ["M30"]], [], 8),  # beyond the X limit
                 ([["G0", "Z-30000"], ["M30"]], [], 8),
                 ([["G0", "Z15001"], ["M30"]], [], 8),  # Z beyond its own limit, not X's
                 ([["G0", "X3000"], ["M30"]], [("RAM", 0x40D8, 0)], 7)]  # not referenced
        for program, patches, error in cases:
            with self.subTest(program=program):
                s = run(1_500_000, GO, patches=blocks.patches(program) + patches)
                self.assertEqual((s.x, s.z, s.ram(ERROR), s.ram(AU_STATE)),
                                 (7200, 22000, error, ST_IDLE))

    def test_block_chosen_with_n(self):
        clicks = [(100000, AUTO)] + [(150000 + 20000 * i, N_KEY if ch == "N" else KEY[ch])
                                     for i, ch in enumerate("N91*")] + [(300000, START)]
        s = run(WHOLE_RUN, clicks)
        expected = blocks.run_trace(Program.entries, start=91, selected=True)
        self.assertEqual(s.trace, expected)
        self.assertEqual((s.x, s.z), Program.end)
        self.assertEqual((s.captions["m"], s.captions["t"]), ("30", "z"))

    def test_n_refuses_what_is_no_block_start(self):
        for number in ("92", str(len(Program.entries)), "999"):  # also just past the end
            with self.subTest(number=number):
                clicks = [(100000, AUTO)] + [(150000 + 20000 * i, N_KEY if c == "N" else KEY[c])
                                             for i, c in enumerate("N" + number + "*")]
                s = run(400000, clicks)
                self.assertEqual((s.ram(0x410A), s.ram(ERROR)), (0, 3))
                self.assertEqual(s.row, "-E   03")


class Functions(unittest.TestCase):
    def test_block_waits_for_the_busy_bit_with_the_code_withdrawn(self):
        s = run(2_800_000, GO)  # block 4: S800 M3, M3 being exchanged
        self.assertEqual((s.ram(0x410A), s.ram(AU_STATE)), (4, ST_FUNC))
        self.assertEqual(s.js["sequencer"]["seqState"], "Busy")
        self.assertEqual(s.js["sequencer"]["seqCode"], 0x031)
        self.assertEqual((s.word(35) & 0x4000, s.word(36) & 0x27FF), (0x4000, 0))
        self.assertEqual((s.captions["m"], s.captions["t"], s.captions["s"]), ("03", "01", "800"))

    def test_exchange_waits_for_a_busy_sequencer(self):
        # stopped during T1 (block 3), block 3 chosen again and started while the sequencer is
        # still busy: T1 is announced only after input 14 drops, then takes its 2.5 million steps
        clicks = GO + [(1_000_000, STOP)] + [(1_100_000 + 20000 * i, N_KEY if c == "N" else KEY[c])
                                             for i, c in enumerate("N3*")] + [(1_300_000, START)]
        s = run(1_400_000, clicks)
        self.assertEqual((s.ram(0x410A), s.ram(AU_STATE), s.word(36) & 0x27FF), (3, ST_TOOL, 0))
        s = run(4_500_000, clicks)
        self.assertEqual((s.ram(0x410A), s.ram(AU_STATE)), (3, ST_TOOL))
        self.assertEqual(s.js["sequencer"]["seqState"], "Busy")


class Arcs(unittest.TestCase):
    """Quarter circles: sampled positions lie on the circle about the expected centre (X is a
    diameter, so the circle is in X / 2 and Z) and turn the expected way on the plot. Positions
    in steps; the program takes display units (halves)."""

    # start, G, end, centre
    CASES = [((20000, 10000), 2, (24000, 8000), (20000, 8000)),
             ((20000, 10000), 3, (24000, 8000), (24000, 10000)),
             ((24000, 8000), 2, (20000, 10000), (24000, 10000)),
             ((20000, 8000), 3, (24000, 10000), (20000, 10000))]
    RADIUS, TOLERANCE = 2000, 30

    def test_quarter_circles(self):
        for (x0, z0), g, (x1, z1), (cx, cz) in self.CASES:
            with self.subTest(g=g, start=(x0, z0), end=(x1, z1)):
                program = [["G0", f"X{x0 // 2}", f"Z{z0 // 2}"], ["F300"],
                           [f"G{g}", f"X{x1 // 2}", f"Z{z1 // 2}"], ["M30"]]
                patches = blocks.patches(program)
                points = []
                for steps in range(250000, 800001, 25000):
                    s = run(steps, GO, patches=patches)
                    if s.ram(0x410A) == 4 and s.ram(AU_STATE) == ST_MOVING:
                        points.append(((s.x - cx) / 2, s.z - cz))
                self.assertGreater(len(points), 8)
                for u, w in points:
                    self.assertLess(abs(math.hypot(u, w) - self.RADIUS), self.TOLERANCE)
                # on the plot (Z to the right, X down) G2 turns clockwise
                turn = [w1 * u2 - u1 * w2 for (u1, w1), (u2, w2) in zip(points, points[1:])]
                self.assertTrue(all(t >= 0 if g == 2 else t <= 0 for t in turn), turn)
                end = run(3_400_000, GO, patches=patches)
                self.assertEqual((end.x, end.z, end.ram(ERROR)), (x1, z1, 0))

    def test_ways_within_one_step(self):
        # from X 7201 steps (odd: a stop can leave the tool there) the ways in steps differ
        # from a quarter circle by one step (end X in display units, error)
        start = [("RAM", 0x425F, 7201)]
        for x, error in ((7600, 0), (-400, 0), (7599, 5)):
            with self.subTest(x=x):
                program = [["F1000"], ["G2", f"X{x}", "Z9000"], ["M30"]]
                s = run(1_200_000, GO, patches=blocks.patches(program) + start)
                end = (2 * x, 18000) if error == 0 else (7201, 22000)
                self.assertEqual((s.x, s.z, s.ram(ERROR)), end + (error,))


class BadBlocks(unittest.TestCase):
    """A block that cannot run stops the run on it with an error on the Digit row."""

    CASES = [("G2 X1500 Z9000", 5),  # X way not twice the Z way
             ("G7", 4),
             ("M3 M8", 4),  # two M codes in one block
             ("F0", 4),
             ("S40000", 4),
             ("X+\\500 Z250", 4),  # a 45-degree line that also names Z
             ("M1A", 4)]  # not a decimal digit: written by hand below

    def test_bad_blocks(self):
        for text, error in self.CASES:
            with self.subTest(block=text):
                bad = text.split()
                if text == "M1A":
                    bad = ["M1"]
                program = [["G0", "X3500", "Z10500", "F300"], bad, ["M30"]]
                patches = blocks.patches(program)
                if text == "M1A":
                    patches.append(("RAM", blocks.TABLE + 9, 0x001A))
                s = run(1_500_000, GO, patches=patches)
                self.assertEqual((s.ram(0x410A), s.ram(AU_STATE), s.ram(ERROR)),
                                 (4, ST_IDLE, error))
                self.assertEqual((s.x, s.z), (7000, 21000))
                self.assertTrue(s.lit("v2_1"))

    def test_line_without_feed(self):
        s = run(1_000_000, GO, patches=blocks.patches([["G1", "X3500"], ["M30"]]))
        self.assertEqual((s.ram(AU_STATE), s.ram(ERROR), s.x), (ST_IDLE, 4, 7200))


if __name__ == "__main__":
    unittest.main()
