"""Manual jog, manual data input moves, reference return: the axes move through their pulse
channels and end exactly on their targets; the position cells follow."""
import random
import unittest

from fwrun import (HOME, JOG_AXIS_X, JOG_AXIS_Z, JOG_DOWN, JOG_LEFT, JOG_PERIOD, JOG_RIGHT,
                   JOG_UP, STOP, run, typed)

X0, Z0 = 7200, 22000


class Jog(unittest.TestCase):
    """The toggle is held for three samplings of the jog counter."""

    PRESS = 40000
    RELEASE = PRESS + int(3.5 * JOG_PERIOD)
    END = RELEASE + 400000

    # axis key, toggle, uskor, change of X, change of Z
    CASES = [
        (JOG_AXIS_X, JOG_DOWN, False, +300, 0),
        (JOG_AXIS_X, JOG_UP, False, -300, 0),
        (JOG_AXIS_Z, JOG_RIGHT, False, 0, +300),
        (JOG_AXIS_Z, JOG_LEFT, False, 0, -300),
        (JOG_AXIS_X, JOG_DOWN, True, +3000, 0),
        (JOG_AXIS_X, JOG_UP, True, -3000, 0),
        (JOG_AXIS_Z, JOG_RIGHT, True, 0, +3000),
        (JOG_AXIS_Z, JOG_LEFT, True, 0, -3000),
    ]

    def test_jog(self):
        for axis, toggle, fast, dx, dz in self.CASES:
            with self.subTest(axis=axis, toggle=toggle, uskor=fast):
                clicks = [(20000, axis), (self.PRESS, toggle), (self.RELEASE, toggle)]
                if fast:
                    clicks.append((30000, "uskor"))
                s = run(self.END, clicks)
                self.assertEqual((s.x - X0, s.z - Z0), (dx, dz))
                self.assertEqual(s.word(43), 0)
                self.assertEqual((s.word(37), s.word(38)), (0, 0))  # channels stopped
                self.assertEqual(s.captions["x"], str(s.x // 2))
                self.assertEqual(s.captions["z"], str(s.z // 2))

    def test_jog_lamp_patterns(self):
        s = run(100000, [(20000, JOG_AXIS_X)])
        self.assertEqual(s.word(31), 0x4010)
        s = run(100000, [(20000, JOG_AXIS_Z)])
        self.assertEqual(s.word(31), 0x4008)
        self.assertEqual(s.row, "+ 11000")  # the jogged axis is shown
        s = run(100000, [(20000, JOG_AXIS_Z), (40000, JOG_AXIS_Z)])
        self.assertEqual(s.word(31), 0x4000)  # pressed again: released

    def test_no_axis_no_motion(self):
        s = run(self.END, [(self.PRESS, JOG_DOWN), (self.RELEASE, JOG_DOWN)])
        self.assertEqual((s.x, s.z), (X0, Z0))

    def test_moving_is_shown_on_the_output_port(self):
        clicks = [(20000, JOG_AXIS_Z), (30000, "uskor"), (self.PRESS, JOG_RIGHT),
                  (20000 + JOG_PERIOD + 100000, JOG_RIGHT)]
        # the first count comes one jog period after the axis lamp lit
        s = run(20000 + JOG_PERIOD + 10000, clicks)
        self.assertEqual(s.word(36) & 0x5800, 0x5000)  # enabled, Z moving
        self.assertTrue(s.lit("ko12"))
        s = run(20000 + JOG_PERIOD + 200000, clicks)
        self.assertEqual(s.word(36) & 0x5800, 0x4000)
        self.assertEqual(s.z, Z0 + 1000)


class ManualDataInput(unittest.TestCase):
    """Typing X or Z and entering it moves the axis there (value in display units)."""

    TARGETS = [1, 12, 24, 25, 33, 100, 3599, 3601, 5000, -1, -250, 40000, 123456]

    def test_exact_arrival(self):
        for axis in "XZ":
            for target in self.TARGETS:
                with self.subTest(axis=axis, target=target):
                    text = axis + ("-" if target < 0 else "") + str(abs(target)) + "*"
                    s = run(3000000, typed(text, 30000))
                    expected = (target * 2, Z0) if axis == "X" else (X0, target * 2)
                    self.assertEqual((s.x, s.z), expected)
                    self.assertEqual(s.word(36) & 0x1800, 0)  # nothing moving
                    self.assertEqual((s.word(37), s.word(38)), (0, 0))

    def test_reversal_in_motion(self):
        clicks = typed("X30000*", 30000) + typed("X100*", 200000)
        s = run(3000000, clicks)
        self.assertEqual(s.x, 200)

    def test_new_targets_while_moving(self):
        # Targets typed while the axis still moves (often reversing it) must still end exactly.
        rng = random.Random(74)
        for case in range(8):
            clicks, at, target = [], 30000, None
            for _ in range(3):
                target = rng.randint(-20000, 20000)
                text = "Z" + ("-" if target < 0 else "") + str(abs(target)) + "*"
                clicks += typed(text, at)
                at += len(text) * 20000 + rng.randint(0, 150000)
            with self.subTest(case=case):
                s = run(at + 2500000, clicks)
                self.assertEqual(s.z, 2 * target)
                self.assertEqual(s.x, X0)

    def test_stop_key(self):
        clicks = typed("Z-5000*", 30000) + [(200000, STOP)]
        stopped = run(400000, clicks)
        later = run(1500000, clicks)
        self.assertEqual(stopped.z, later.z)
        self.assertGreater(stopped.z, -10000)
        self.assertLess(stopped.z, Z0)


class ReferenceReturn(unittest.TestCase):
    """Both axes back to X 7200, Z 22000 at rapid rate, along a straight line."""

    AWAY = typed("X1000*Z1000*", 30000)
    HOME_AT = 900000

    def test_arrives_together_in_a_straight_line(self):
        clicks = self.AWAY + [(self.HOME_AT, HOME)]
        start = run(self.HOME_AT, clicks)
        self.assertEqual((start.x, start.z), (2000, 2000))
        for steps in (self.HOME_AT + 40000, self.HOME_AT + 80000):
            with self.subTest(steps=steps):
                s = run(steps, clicks)
                fx = (s.x - 2000) / (X0 - 2000)
                fz = (s.z - 2000) / (Z0 - 2000)
                self.assertGreater(fz, 0.05)
                self.assertLess(fz, 0.95)
                self.assertAlmostEqual(fx, fz, delta=0.03)
                self.assertTrue(s.lit("v1_9"))
        s = run(self.HOME_AT + 600000, clicks)
        self.assertEqual((s.x, s.z), (X0, Z0))
        self.assertFalse(s.lit("v1_9"))
        self.assertEqual(s.panel["previousPoint"], [420, 732])


if __name__ == "__main__":
    unittest.main()
