"""Straight in any sequence: long random programs of rapids, feed lines and quarter circles in
every direction at feeds 1..1000, held and stopped at random steps and resumed; every step of
every G1 block stays within 10 steps of its programmed line, and every block ends on its
point."""
import random
import unittest

import blocks
import sequences
from fwrun import AUTO, START, STOP, path

HOLD = "k0x2A"
TOLERANCE = 10


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


if __name__ == "__main__":
    unittest.main()
