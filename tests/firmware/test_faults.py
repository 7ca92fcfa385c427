"""The ready input and the fault handlers: motion stops, the panel says why, the operator
restarts with C."""
import unittest

from fwrun import KEY, run, symbols, typed

X0, Z0 = 7200, 22000


class ReadyInput(unittest.TestCase):
    MOVE = typed("Z-20000*", 30000)  # a long move, about 1.2 million steps
    DROP = 300000

    def test_dropping_input_8_stops_motion(self):
        clicks = self.MOVE + [(self.DROP, "ki8")]
        s = run(self.DROP + 100000, clicks)
        later = run(self.DROP + 1500000, clicks)
        self.assertLess(s.z, Z0 - 1000)
        self.assertGreater(s.z, -40000)
        self.assertEqual(later.z, s.z)  # stands where it stopped
        self.assertTrue(s.lit("v2_1"))
        self.assertEqual(s.row, "-E   01")
        self.assertEqual(s.word(36), 0x8000)  # channels off, alarm on
        self.assertEqual(s.word(38), 0)

    def test_attention_stays_until_ready_and_c(self):
        base = self.MOVE + [(self.DROP, "ki8")]
        cases = [
            # further clicks, ATTENTION, output port
            ([], True, 0x8000),
            ([(self.DROP + 50000, KEY["C"])], True, 0x8000),  # still not ready
            ([(self.DROP + 50000, "ki8")], True, 0x8000),  # ready, not acknowledged
            ([(self.DROP + 50000, "ki8"), (self.DROP + 80000, KEY["C"])], False, 0x4000),
        ]
        for more, attention, port in cases:
            with self.subTest(clicks=more):
                s = run(self.DROP + 200000, base + more)
                self.assertEqual(s.lit("v2_1"), attention)
                self.assertEqual(s.word(36), port)

    def test_moves_refused_while_not_ready(self):
        s = run(400000, [(20000, "ki8")] + typed("X100*", 50000))
        self.assertEqual(s.x, X0)
        self.assertEqual(s.row, "-E   01")

    def test_moves_again_after_acknowledge(self):
        clicks = [(20000, "ki8"), (40000, "ki8"), (60000, KEY["C"])] + typed("X100*", 80000)
        s = run(1500000, clicks)
        self.assertEqual(s.x, 200)


class FaultHandlers(unittest.TestCase):
    """A key whose table entry is patched runs an offending word; the handler behind the
    vector shows "E", the fault number and the saved address, and waits for C."""

    SPARE = 0x1F00  # unused program memory
    KEY_CODE = 0x22  # k0x22 does nothing in this firmware
    PRESS = 250000

    # what the key runs, fault number, saved address
    CASES = [
        ("invalid instruction", [("V4", SPARE, 0x8000)], SPARE, 3, SPARE),
        ("bad data address", [("V4", SPARE, 0x2060)], SPARE, 2, SPARE + 1),  # reads 0xF160
        ("bad program address", [], 0x2000, 2, 0x2000),
        ("request line 1", [("V4", SPARE, 0x62BF)], SPARE, 1, SPARE + 1),  # CALL M[00BF]
        ("unused call entry", [("V4", SPARE, 0x6205)], SPARE, 4, SPARE + 1),  # CALL M[0005]
    ]

    def patches(self, code, target):
        return code + [("AMT", 0x7020 + self.KEY_CODE, target)]

    def test_each_vector(self):
        for name, code, target, number, saved in self.CASES:
            with self.subTest(fault=name):
                clicks = typed("Z-9000*", 30000) + [(self.PRESS, "k0x22")]
                s = run(self.PRESS + 400000, clicks, self.patches(code, target))
                self.assertEqual(s.word(29), 0x0FE0 | number)
                self.assertEqual(s.word(30), saved)
                self.assertTrue(s.lit("v2_1"))
                self.assertFalse(s.lit("v2_0"))  # the RAM was kept: no BATTERY
                self.assertEqual(s.word(31), 0)
                self.assertEqual(s.word(36), 0x8000)
                self.assertEqual((s.word(37), s.word(38)), (0, 0))
                self.assertEqual(s.ram(0x402F), number)
                handler = symbols()["FaultWait"]
                self.assertIn(s.word(19), range(handler, handler + 4))  # waiting for C
                self.assertEqual(s.z, s.ram32(0x4070))  # position settled into the cell
                self.assertLess(s.z, Z0)

    def test_c_restarts(self):
        name, code, target, number, saved = self.CASES[0]
        clicks = [(self.PRESS, "k0x22"), (self.PRESS + 50000, KEY["X"]),
                  (self.PRESS + 100000, KEY["C"])]
        s = run(self.PRESS + 300000, clicks, self.patches(code, target))
        self.assertFalse(s.lit("v2_1"))
        self.assertEqual(s.row, "+  3600")
        self.assertEqual(s.word(31), 0x4000)
        self.assertEqual(s.word(36), 0x4000)
        self.assertIn(s.word(18), range(0x44FF, 0x4510))  # the stack started afresh


if __name__ == "__main__":
    unittest.main()
