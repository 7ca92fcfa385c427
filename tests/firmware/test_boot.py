"""Start-up: the idle panel, the start position, the battery check."""
import random
import unittest

from fwrun import HOME, KEY, run, symbols, typed

BOOT_STEPS = 300000
PROGRAM_USED = 0x45A6  # header word of the first program area: entries used


class Boot(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = run(BOOT_STEPS)

    def test_reaches_the_main_loop_quickly(self):
        s = run(BOOT_STEPS, until_pc=symbols()["MainLoop"])
        self.assertLess(s.steps, 5000)

    def test_idle_displays(self):
        s = self.s
        self.assertEqual(s.feed_digits, "0000")
        self.assertEqual(s.block_digits, "000")
        self.assertEqual(s.row, "+  3600")  # X selected: its position, halved
        self.assertEqual(s.lit_lamps("v2_"), [14])  # letter X, no BATTERY, no ATTENTION
        self.assertEqual(s.lit_lamps("v1_"), [14])  # manual mode
        self.assertEqual(s.lit_lamps("ko"), [14])  # channels on, nothing moving, no function

    def test_first_block_decoded_once(self):
        self.assertEqual(self.s.trace, ["0 ->  * G 0 * X 3600  Z 11000"])
        self.assertEqual(self.s.captions["n"], "0")

    def test_position_cells_written_once(self):
        s = self.s
        self.assertEqual((s.x, s.z), (7200, 22000))
        self.assertEqual((s.captions["x"], s.captions["z"]), ("3600", "11000"))
        self.assertEqual(s.panel["previousPoint"], [420, 732])
        self.assertEqual((s.captions["f"], s.captions["s"]), ("0", "0"))

    def test_machine_set_up(self):
        s = self.s
        self.assertEqual((s.word(16), s.word(17)), (0x4000, 0x7100))
        self.assertEqual(s.word(22) & 0x10, 0)  # the timer interrupt is unmasked
        self.assertEqual(s.word(49), s.word(49) & 0x10)  # no fault pending
        self.assertLessEqual(s.js["timer"]["timerCount"], 9)
        self.assertEqual(s.word(23), 9)  # reload: an interrupt every 1010 steps
        self.assertGreater(s.ram(0x4011), BOOT_STEPS // 1010 - 5)  # interrupts counted


class Battery(unittest.TestCase):
    """A lost RAM (wrong signature) restores the defaults and lights BATTERY until C."""

    LOST = [("RAM", 0x4010, 0), ("RAM", 0x425F, 1234), ("RAM", 0x4022, 7), ("RAM", 0x4006, 0)]

    def test_lost_ram_is_restored_and_reported(self):
        s = run(BOOT_STEPS, patches=self.LOST)
        self.assertTrue(s.lit("v2_0"))
        self.assertFalse(s.lit("v2_1"))
        self.assertEqual(s.ram(0x4010), 0x5A3C)
        self.assertEqual(s.x, 7200)  # back at the reference point
        self.assertEqual(s.ram(0x4022), 100)  # jog step default
        self.assertEqual(s.ram(0x4006), 0xE350)  # timer jump slot rebuilt
        self.assertGreater(s.ram(0x4011), 100)  # and the timer interrupt runs

    def test_c_acknowledges(self):
        s = run(BOOT_STEPS, clicks=[(100000, KEY["C"])], patches=self.LOST)
        self.assertFalse(s.lit("v2_0"))

    def test_program_header_in_range_is_kept(self):
        stored = run(BOOT_STEPS).ram(PROGRAM_USED)
        for used, kept in ((None, stored), (249, 249), (250, 0)):
            with self.subTest(used=used):
                header = [] if used is None else [("RAM", PROGRAM_USED, used)]
                s = run(BOOT_STEPS, patches=self.LOST + header)
                self.assertTrue(s.lit("v2_0"))
                self.assertEqual(s.ram(PROGRAM_USED), kept)

    def test_intact_ram_keeps_its_values(self):
        s = run(BOOT_STEPS, patches=[("RAM", 0x425F, 1234)])
        self.assertFalse(s.lit("v2_0"))
        self.assertEqual(s.x, 1234)
        self.assertEqual(s.captions["x"], "617")



def whole_ram(words):
    """Patches that make the RAM image the given 4096 words."""
    return [("RAM", 0x4000 + i, w) for i, w in enumerate(words)]


_rng = random.Random(21)
RANDOM_RAM = [_rng.randrange(65536) for _ in range(4096)]


class AnyRam(unittest.TestCase):
    """Whatever the RAM holds at power-on, the controller starts without a fault, keeps a valid
    image or restores its defaults with BATTERY lit, and after C does a reference return and
    a typed move."""

    # name, patches, BATTERY expected
    CASES = [
        ("all 0x0000", whole_ram([0] * 4096), True),
        ("all 0xFFFF", whole_ram([0xFFFF] * 4096), True),
        ("random", whole_ram(RANDOM_RAM), True),
        ("line in progress", [("RAM", 0x40C0, 1), ("RAM", 0x40C1, 0xFFFF), ("RAM", 0x40C2, 0x1234)],
         False),
        ("axis record", [("RAM", 0x4066, 1), ("RAM", 0x4069, 0xFFFF), ("RAM", 0x406A, 0x9999)], False),
        ("interpreter running", [("RAM", 0x4080, 5), ("RAM", 0x4090, 0xFFFF)], False),
        ("timer jump slot", [("RAM", 0x4007, 0x1234)], False),
        ("report interval 0", [("RAM", 0x4021, 0)], True),
        ("minimum above maximum", [("RAM", 0x40D0, 0x0001)], True),
        ("program header", [("RAM", 0x45A6, 0xFFFF)], True),
        ("position far away", [("RAM", 0x425E, 0x4000)], True),
        ("position 2^24 steps", [("RAM", 0x425E, 0x0100)], True),
        ("Z reference above its maximum", [("RAM", 0x402D, 31000)], True),
        ("feed 1000", [("RAM", 0x4235, 1000)], False),
        ("limit entry armed", [("RAM", 0x40D9, 1)], False),
    ]

    def test_starts_and_runs(self):
        for name, patches, battery in self.CASES:
            with self.subTest(ram=name):
                s = run(900000, patches=patches)
                self.assertEqual(s.word(49), 0)  # no fault
                self.assertEqual(s.lit("v2_0"), battery)
                self.assertEqual(s.row, "+  3600" if battery else s.row)
                s = run(2_500_000, [(900000, KEY["C"]), (1_000_000, HOME)] +
                        typed("X100*", 1_500_000), patches)
                self.assertEqual(s.word(49), 0)
                self.assertFalse(s.lit("v2_0"))
                self.assertEqual((s.x, s.z, s.ram(0x40D8)), (200, 22000, 1))
                self.assertEqual(s.lit_lamps("ko"), [14])


if __name__ == "__main__":
    unittest.main()
