"""Straight in any sequence: long random programs of rapids, feed lines and quarter circles in
every direction at feeds 1..1000, held and stopped at random steps and resumed; every step of
every G1 block stays within 10 steps of its programmed line, and every block ends on its
point."""
import random
import unittest

import blocks
import sequences
from fwrun import AUTO, KEY, MANUAL, START, STOP, path, typed

HOLD, SINGLE, C = "k0x2A", "k0x32", KEY["C"]
TOLERANCE = 6  # steps from the programmed line (the guide promises 10)


def interruptions(rng, begin, end):
    """Hold / hold again and stop / start pairs at random steps between begin and end."""
    clicks, t = [], begin
    while True:
        t += rng.randint(200_000, 4_000_000)
        if t >= end:
            return clicks
        key = rng.choice((HOLD, STOP))
        clicks.append((t, key))
        t += rng.randint(1, 300_000)
        clicks.append((t, HOLD if key == HOLD else START))


class Sequences(unittest.TestCase):
    SEEDS = range(4)
    BLOCKS = 30

    def test_every_feed_line_straight(self):
        for seed in self.SEEDS:
            rng = random.Random(seed)
            program, moves = sequences.random_program(rng, self.BLOCKS)
            steps = sequences.duration(moves)
            clicks = [(100000, AUTO), (200000, START)] + interruptions(rng, 300000, steps)
            _, points = path(2 * steps, clicks, blocks.patches(program))
            for i, ((g, feed, start, end), seg) in enumerate(
                    zip(moves, sequences.segments(points, moves))):
                with self.subTest(seed=seed, block=i, g=g, feed=feed, start=start, end=end):
                    self.assertEqual(seg[-1][1:], end)
                    if g == 1:
                        self.assertLessEqual(sequences.deviation(start, end, seg), TOLERANCE)


class Interrupted(unittest.TestCase):
    """A taper there and back at F 1000, the first one interrupted as an operator would (at
    step T, in its middle) and resumed: both stay on their lines and end on their points."""

    PROGRAM = [["G0", "X12000", "Z0"], ["F1000"], ["G1", "X21000", "Z10000"], ["G1", "X12000", "Z0"],
               ["M30"]]
    MOVES = [(1, 1000, (24000, 0), (42000, 20000)), (1, 1000, (42000, 20000), (24000, 0))]
    T = 450_000
    CASES = {
        "ready dropped": [(T, "ki8"), (T + 50_000, "ki8"), (T + 80_000, C), (T + 100_000, START)],
        "stop, manual, automatic": [(T, STOP), (T + 50_000, MANUAL), (T + 100_000, AUTO),
                                    (T + 150_000, START)],
        "F typed after stop": [(T, STOP)] + typed("F500*", T + 50_000) + [(T + 200_000, START)],
        "held, then stopped": [(T, HOLD), (T + 50_000, STOP), (T + 100_000, START)],
        "single block": [(150_000, SINGLE)] + [(t, START) for t in (1_000_000, 1_300_000, 1_600_000)],
    }

    def test_resumed_lines_straight(self):
        for name, clicks in self.CASES.items():
            with self.subTest(name):
                _, points = path(4_000_000, [(100000, AUTO), (200000, START)] + clicks,
                                 blocks.patches(self.PROGRAM))
                points = points[[p[1:] for p in points].index(self.MOVES[0][2]):]
                for (_, _, start, end), seg in zip(self.MOVES, sequences.segments(points, self.MOVES)):
                    self.assertEqual(seg[-1][1:], end)
                    self.assertLessEqual(sequences.deviation(start, end, seg), TOLERANCE)


if __name__ == "__main__":
    unittest.main()
