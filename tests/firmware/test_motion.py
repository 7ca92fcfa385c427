"""Manual jog, manual data input moves, reference return: the axes move through their pulse
channels and end exactly on their targets; the position cells follow."""
import random
import unittest

from fwrun import (HOME, JOG_AXIS_X, JOG_AXIS_Z, JOG_DOWN, JOG_LEFT, JOG_PERIOD, JOG_RIGHT,
                   JOG_UP, KEY, STOP, path, run, typed)

HOLD = "k0x2A"
LOST = [("RAM", 0x4010, 0)]  # battery lost: defaults, not referenced

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

    def test_motion_changes_no_output(self):
        clicks = [(20000, JOG_AXIS_Z), (30000, "uskor"), (self.PRESS, JOG_RIGHT),
                  (20000 + JOG_PERIOD + 100000, JOG_RIGHT)]
        # the first count comes one jog period after the axis lamp lit
        s = run(20000 + JOG_PERIOD + 10000, clicks)
        self.assertNotEqual(s.z, Z0)
        self.assertEqual(s.word(36), 0x4000)  # channels enabled, nothing else
        s = run(20000 + JOG_PERIOD + 200000, clicks)
        self.assertEqual((s.z, s.word(36)), (Z0 + 1000, 0x4000))

    def test_jog_stops_at_the_limit(self):
        # G51 then Z: the maximum of Z at 11500 (23000 steps); one fast count would go to 23000
        clicks = typed("G51*Z11500*", 20000) + [(300000, JOG_AXIS_Z), (310000, "uskor"),
                                                (320000, JOG_RIGHT)]
        s = run(320000 + 2 * JOG_PERIOD + 300000, clicks)
        self.assertEqual(s.z, 23000)
        self.assertEqual(s.ram(0x40D4 + 2) << 16 | s.ram(0x40D4 + 3), 23000)


class JogOutsideLimit(unittest.TestCase):
    """X moved to 20000, then its maximum set to 10000: a jog towards plus does not move it
    (the old firmware jumped back to the limit), one towards minus moves it back by its way."""

    SETUP = typed("X20000*", 30000) + typed("G51*X10000*", 400000) + [(700000, JOG_AXIS_X)]
    PRESS, RELEASE = 750000, 750000 + int(1.5 * JOG_PERIOD)

    def test_only_back_towards_the_range(self):
        for toggle, moved in ((JOG_DOWN, False), (JOG_UP, True)):
            with self.subTest(toggle=toggle):
                clicks = self.SETUP + [(self.PRESS, toggle), (self.RELEASE, toggle)]
                s = run(self.RELEASE + 400000, clicks)
                self.assertEqual(s.ram32(0x40D2), 20000)  # the maximum was taken
                if moved:
                    self.assertIn(40000 - s.x, (100, 200))  # one or two counts of 50
                else:
                    self.assertEqual(s.x, 40000)


class ManualDataInput(unittest.TestCase):
    """Typing X or Z and entering it moves the axis there (value in display units)."""

    TARGETS = [1, 12, 24, 25, 33, 100, 3599, 3601, 5000, -1, -250, 14000]

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
                target = rng.randint(-20000, 15000)
                text = "Z" + ("-" if target < 0 else "") + str(abs(target)) + "*"
                clicks += typed(text, at)
                at += len(text) * 20000 + rng.randint(0, 150000)
            with self.subTest(case=case):
                s = run(at + 2500000, clicks)
                self.assertEqual(s.z, 2 * target)
                self.assertEqual(s.x, X0)

    def test_stop_and_hold_keys(self):
        for key in (STOP, HOLD):
            with self.subTest(key=key):
                clicks = typed("Z-5000*", 30000) + [(200000, key)]
                stopped = run(400000, clicks)
                later = run(1500000, clicks)
                self.assertEqual(stopped.z, later.z)
                self.assertGreater(stopped.z, -10000)
                self.assertLess(stopped.z, Z0)
                self.assertNotIn("E", stopped.row)

    # keys, patches, error on the row; the axes stay where they are
    REFUSED = [
        ("X-*", [], "-E   03"),  # a sign without digits
        ("Z-*", [], "-E   03"),
        ("Z--*", [], "-E   03"),
        ("X30001*", [], "-E   08"),  # beyond the travel limits (X -1000..30000)
        ("X-1001*", [], "-E   08"),
        ("Z15001*", [], "-E   08"),  # Z -20000..15000
        ("Z-20001*", [], "-E   08"),
        ("G51*X5000*X6000*", [], "-E   08"),  # maximum of X set to 5000 by G51
        ("G50*X4000*", [], "-E   03"),  # a minimum above the reference point X 3600
        ("G51*Z10000*", [], "-E   03"),  # a maximum below the reference point Z 11000
        ("G51*X-1500*", [], "-E   03"),  # a maximum below the minimum X -1000
        ("X100*", LOST, "-E   07"),  # not referenced
    ]

    def test_refused_targets(self):
        for text, patches, row in self.REFUSED:
            with self.subTest(keys=text):
                s = run(30000 + len(text) * 20000 + 1500000, typed(text, 30000), patches)
                self.assertEqual((s.x, s.z, s.row), (X0, Z0, row))

    def test_targets_at_the_limits(self):
        for text, x, z in (("X30000*", 60000, Z0), ("Z-20000*", X0, -40000)):
            with self.subTest(keys=text):
                s = run(3_500_000, typed(text, 30000))
                self.assertEqual((s.x, s.z), (x, z))

    def test_position_shown_on_arrival(self):
        # the cell gets the target in the interrupt that finds the axis arrived, not at the
        # next periodic report
        for text, target in (("X1000*", (2000, Z0)), ("X4999*", (9998, Z0)),
                             ("Z3000*", (X0, 6000)), ("Z-2001*", (X0, -4002))):
            with self.subTest(keys=text):
                _, points = path(1_000_000, typed(text, 30000))
                arrival = points[-1][0]
                self.assertEqual(points[-1][1:], target)
                s = run(arrival + 1010 + 400, typed(text, 30000))
                self.assertEqual((s.x, s.z), target)

    # keys, limit cell, its value in steps, row: a limit may lie on the reference point; a
    # refused one leaves the old limit
    LIMITS = [
        ("G50*X3600*", 0x40D0, 7200, "+  3600"),
        ("G51*X3600*", 0x40D2, 7200, "+  3600"),
        ("G50*Z11000*", 0x40D4, 22000, "+ 11000"),
        ("G51*Z11000*", 0x40D6, 22000, "+ 11000"),
        ("G50*X4000*", 0x40D0, -2000, "-E   03"),
        ("G51*X-1500*", 0x40D2, 60000, "-E   03"),
        ("G51*Z10000*", 0x40D6, 30000, "-E   03"),
    ]

    def test_limit_entries(self):
        for text, cell, value, row in self.LIMITS:
            with self.subTest(keys=text):
                s = run(30000 + len(text) * 20000 + 100000, typed(text, 30000))
                self.assertEqual((s.ram32(cell), s.row), (value, row))


class ReferenceReturn(unittest.TestCase):
    """X back to 7200 at rapid rate, then Z to 22000; afterwards the machine is referenced."""

    AWAY = typed("X1000*Z1000*", 30000)
    HOME_AT = 900000

    def test_x_first_then_z(self):
        clicks = self.AWAY + [(self.HOME_AT, HOME)]
        start = run(self.HOME_AT, clicks)
        self.assertEqual((start.x, start.z), (2000, 2000))
        s = run(self.HOME_AT + 20000, clicks)
        self.assertTrue(2000 < s.x < X0 and s.z == 2000, (s.x, s.z))
        s = run(self.HOME_AT + 120000, clicks)
        self.assertTrue(s.x == X0 and 2000 < s.z < Z0, (s.x, s.z))
        self.assertTrue(s.lit("v1_9"))
        s = run(self.HOME_AT + 600000, clicks)
        self.assertEqual((s.x, s.z), (X0, Z0))
        self.assertFalse(s.lit("v1_9"))
        self.assertEqual(s.panel["previousPoint"], [420, 732])

    def test_battery_loss_needs_a_reference_return(self):
        s = run(400000, [(100000, KEY["C"]), (150000, HOME)], LOST)
        self.assertEqual(s.ram(0x40D8), 1)  # referenced
        s = run(2_000_000, [(100000, KEY["C"]), (150000, HOME)] + typed("X100*", 500000), LOST)
        self.assertEqual(s.x, 200)


if __name__ == "__main__":
    unittest.main()
