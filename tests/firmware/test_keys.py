"""Keyboard: address selection, composing and entering values, errors."""
import unittest

from fwrun import AUTO, HOME, JOG_AXIS_X, KEY, MANUAL, run, typed
from fwrun import START as START_KEY

N_KEY, HOLD, SINGLE = "k0x21", "k0x2A", "k0x32"

START = 50000


def keys(text, steps=None):
    clicks = typed(text, START)
    return run(steps or START + len(text) * 20000 + 60000, clicks)


class AddressSelection(unittest.TestCase):
    # key, lit letter lamp (v2_i), row after entering 42 (or the position for X and Z)
    CASES = [
        ("X", 14, "+  3600"),
        ("Z", 13, "+ 11000"),
        ("G", 12, "+    42"),
        ("M", 11, "+    42"),
        ("S", 10, "+    42"),
        ("T", 9, "+    42"),
        ("P", 8, "+    42"),
        ("F", 7, "+    42"),
    ]

    def test_each_address(self):
        for letter, lamp, row in self.CASES:
            with self.subTest(letter=letter):
                text = letter if letter in "XZ" else letter + "42*"
                s = keys(text)
                self.assertEqual(s.lit_lamps("v2_"), [lamp])
                self.assertEqual(s.row, row)

    def test_values_are_kept_per_address(self):
        s = keys("G1*M3*T12*P-500*G")
        self.assertEqual(s.row, "+     1")
        s = keys("G1*M3*T12*P-500*P")
        self.assertEqual(s.row, "-   500")
        s = keys("G1*M3*T12*P-500*T")
        self.assertEqual(s.row, "+    12")


class Composing(unittest.TestCase):
    CASES = [
        # keys, row while composing
        ("S1", "+     1"),
        ("S0", "+     0"),
        ("S05", "+    05"),  # typed zeros stay
        ("S120", "+   120"),
        ("S123456", "+123456"),
        ("S1234567", "+123456"),  # a seventh digit is ignored
        ("S-", "-     0"),
        ("S-12", "-    12"),
        ("S12-", "-    12"),
        ("S12--", "+    12"),
        ("S12C", "+     0"),  # C drops the value: the cell is shown again
        ("S12X", "+  3600"),  # another address drops it too
    ]

    def test_rows(self):
        for text, row in self.CASES:
            with self.subTest(keys=text):
                self.assertEqual(keys(text).row, row)


class Entering(unittest.TestCase):
    def test_spindle_speed_and_feed_cells(self):
        s = keys("S1200*F350*")
        self.assertEqual(s.ram(0x4212), 1200)
        self.assertEqual(s.captions["s"], "1200")
        self.assertEqual(s.ram(0x4235), 350)
        self.assertEqual(s.captions["f"], "350")
        self.assertEqual(s.feed_digits, "0350")
        self.assertEqual(s.row, "+   350")

    def test_negative_speed(self):
        s = keys("S-300*")
        self.assertEqual(s.ram(0x4212), 0x10000 - 300)
        self.assertEqual(s.captions["s"], "-300")

    # keys, cell, its value, row: the ends of each accepted range
    BOUNDS = [
        ("F1000*", 0x4235, 1000, "+  1000"),
        ("S32767*", 0x4212, 32767, "+ 32767"),
        ("S-32768*", 0x4212, 0x8000, "- 32768"),
        ("G99*", None, None, "+    99"),
        ("M99*", None, None, "+    99"),
        ("T0*", None, None, "+     0"),
    ]

    def test_range_ends_accepted(self):
        for text, cell, value, row in self.BOUNDS:
            with self.subTest(keys=text):
                s = keys(text)
                self.assertEqual(s.row, row)
                if cell:
                    self.assertEqual(s.ram(cell), value)

    def test_enter_without_value_changes_nothing(self):
        s = keys("S*")
        self.assertEqual(s.captions["s"], "0")
        self.assertFalse(s.lit("v2_1"))


class Errors(unittest.TestCase):
    # keys, error code on the row, cell left unchanged
    CASES = [
        ("F12345*", "-E   03", 0x4235),
        ("F1001*", "-E   03", 0x4235),  # beyond the fastest feed
        ("F-*", "-E   03", 0x4235),  # a sign without digits
        ("S-*", "-E   03", 0x4212),
        ("F-5*", "-E   03", 0x4235),
        ("S40000*", "-E   03", 0x4212),
        ("S-40000*", "-E   03", 0x4212),
        ("S32768*", "-E   03", 0x4212),
        ("S-32769*", "-E   03", 0x4212),
        ("T100*", "-E   03", None),
        ("G100*", "-E   03", None),
        ("M-1*", "-E   03", None),
    ]

    def test_out_of_range(self):
        for text, row, cell in self.CASES:
            with self.subTest(keys=text):
                s = keys(text)
                self.assertEqual(s.row, row)
                self.assertTrue(s.lit("v2_1"))
                if cell:
                    self.assertEqual(s.ram(cell), 0)

    def test_c_and_new_entry_clear_the_error(self):
        for text in ("F12345*C", "F12345*5"):
            with self.subTest(keys=text):
                s = keys(text)
                self.assertFalse(s.lit("v2_1"))
                self.assertNotIn("E", s.row)

    def test_refused_key_takes_no_digits(self):
        # a key refused in this mode shows 02; digits and "*" typed next go nowhere
        for mode, key in ((MANUAL, N_KEY), (MANUAL, SINGLE), (MANUAL, START_KEY),
                          (AUTO, JOG_AXIS_X), (AUTO, HOME)):
            with self.subTest(mode=mode, key=key):
                clicks = [(START, mode), (START + 20000, key)] + typed("12*", START + 40000)
                s = run(START + 1_500_000, clicks)
                self.assertEqual((s.row, s.x, s.z), ("-E   02", 7200, 22000))
                s = run(START + 1_500_000, clicks + typed("C", START + 200000))
                self.assertEqual(s.row, "+  3600")

    def test_axis_entry_outside_manual_mode(self):
        clicks = [(START, AUTO)] + typed("X100*", START + 20000)
        s = run(START + 200000, clicks)
        self.assertEqual(s.row, "-E   02")
        self.assertEqual(s.x, 7200)


if __name__ == "__main__":
    unittest.main()
