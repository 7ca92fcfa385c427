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
        self.assertEqual(s.word(36), 0xFFFF)
        self.assertEqual(s.js["sequencer"]["seqState"], "Idle")  # bit 15 keeps it idle
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


class Diameter(unittest.TestCase):
    """V3: the Digit row shows X and Z in steps, and entries are taken in steps."""

    def test_row_and_entry(self):
        self.assertEqual(run(200000, variant="V3").row, "+  7200")
        s = run(2000000, typed("X1000*", 30000), variant="V3")
        self.assertEqual(s.x, 1000)
        self.assertEqual(s.row, "+  1000")


if __name__ == "__main__":
    unittest.main()
