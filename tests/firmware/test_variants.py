"""The variants built from the same sources, run with their own program image."""
import unittest

from fwrun import JOG_AXIS_X, JOG_DOWN, JOG_PERIOD, run, typed


class Service(unittest.TestCase):
    """V0: a lamp test before the ordinary start."""

    def test_lamp_test_then_idle(self):
        s = run(50000, variant="V0")
        self.assertEqual(s.row, "+888888")
        self.assertEqual(s.feed_digits, "8888")
        self.assertEqual(s.block_digits, "888")
        self.assertEqual(s.lit_lamps("v1_"), list(range(1, 16)))
        self.assertEqual(s.lit_lamps("v2_"), [0, 1] + list(range(3, 15)))  # no v2_2 lamp
        self.assertEqual(s.word(36), 0)  # lamps and digits only: no output switched
        self.assertEqual(s.js["sequencer"]["seqState"], "Idle")
        s = run(400000, variant="V0")
        self.assertEqual(s.row, "+  3600")
        self.assertEqual(s.lit_lamps("v1_"), [14])
        self.assertEqual(s.word(36), 0x4000)


class FineJog(unittest.TestCase):
    """V2: ten steps per jog count."""

    def test_fine_steps(self):
        press = 40000
        clicks = [(20000, JOG_AXIS_X), (press, JOG_DOWN),
                  (press + int(2.5 * JOG_PERIOD), JOG_DOWN)]
        s = run(press + 3 * JOG_PERIOD, clicks, variant="V2")
        self.assertEqual(s.x, 7200 + 20)


class Setup(unittest.TestCase):
    """V3: rapids at a quarter of the full rate, in the same display units."""

    def test_slow_rapid(self):
        clicks = typed("X1000*", 30000)
        soon = 30000 + 6 * 20000 + 60000
        self.assertEqual(run(soon, clicks).x, 2000)
        s = run(soon, clicks, variant="V3")
        self.assertGreater(s.x, 2000)
        s = run(1000000, clicks, variant="V3")
        self.assertEqual((s.x, s.row), (2000, "+  1000"))


if __name__ == "__main__":
    unittest.main()
