"""The tool path at every channel step: feed lines stay on the programmed line and end on
their point, at the lowest and the highest feed, in all four quadrants, shallow and steep;
quarter circles stay on their circle. Programs are in display units (two steps); the path is
in steps."""
import math
import os
import struct
import unittest

import blocks
from fwrun import AUTO, START, image_dir, path, symbols

GO = [(100000, AUTO), (200000, START)]
TOLERANCE = 6  # steps from the programmed line (the guide promises 10)
CENTRE = (12000, 0)  # display units: the lines start here


def line_path(feed, dx, dz, steps):
    """Runs G0 to CENTRE, then G1 by (dx, dz) display units; the G1 part of the path."""
    x0, z0 = CENTRE
    program = [["G0", f"X{x0}", f"Z{z0}"], [f"F{feed}"], ["G1", f"X{x0 + dx}", f"Z{z0 + dz}"],
               ["M30"]]
    _, points = path(steps, GO, blocks.patches(program))
    start = (2 * x0, 2 * z0)
    last = max(i for i, p in enumerate(points) if p[1:] == start)
    return start, points[last:]


def worst_deviation(start, end, points):
    (x0, z0), (x1, z1) = start, end
    length = math.hypot(x1 - x0, z1 - z0)
    return max(abs((x - x0) * (z1 - z0) - (z - z0) * (x1 - x0)) / length for _, x, z in points)


class Lines(unittest.TestCase):
    # feed, X way, Z way (display units), steps to run
    SHAPES = [
        (1000, 9000, 10000, 2_000_000),  # the taper of X 18000 / Z 20000 steps
        (1000, 900, 10000, 2_000_000),  # shallow
        (1000, 10000, 700, 2_000_000),  # steep
        (1000, 9950, 10000, 2_000_000),  # nearly 45 degrees on the steps
        (1, 90, 100, 3_000_000),  # lowest feed
        (1, 9, 100, 3_000_000),
        (1, 100, 7, 3_000_000),
    ]

    def test_every_step_on_the_line(self):
        for feed, wx, wz, steps in self.SHAPES:
            for sx, sz in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
                dx, dz = sx * wx, sz * wz
                with self.subTest(feed=feed, dx=dx, dz=dz):
                    start, points = line_path(feed, dx, dz, steps)
                    end = (start[0] + 2 * dx, start[1] + 2 * dz)
                    self.assertEqual(points[-1][1:], end)
                    self.assertLessEqual(worst_deviation(start, end, points), TOLERANCE)


class Arcs(unittest.TestCase):
    """Quarter circles at the highest feed: every step within the tolerance of the circle plus
    the chord error of 16 chords (R x (1 - cos 2.8125 degrees))."""

    RADIUS = 2000  # display units
    # start, G, end (display units)
    CASES = [((10000, 5000), 2, (14000, 3000)), ((10000, 5000), 3, (14000, 3000)),
             ((14000, 3000), 2, (10000, 5000)), ((10000, 3000), 3, (14000, 5000))]

    def test_every_step_near_the_circle(self):
        radius = 2 * self.RADIUS  # steps of Z
        allowed = TOLERANCE + radius * (1 - math.cos(math.radians(90 / 32)))
        for (x0, z0), g, (x1, z1) in self.CASES:
            with self.subTest(g=g, start=(x0, z0), end=(x1, z1)):
                program = [["G0", f"X{x0}", f"Z{z0}"], ["F1000"], [f"G{g}", f"X{x1}", f"Z{z1}"],
                           ["M30"]]
                _, points = path(3_000_000, GO, blocks.patches(program))
                start = (2 * x0, 2 * z0)
                arc = points[max(i for i, p in enumerate(points) if p[1:] == start):]
                self.assertEqual(arc[-1][1:], (2 * x1, 2 * z1))
                # the centre: level with the start on one axis and with the end on the other
                centres = [(2 * x0, 2 * z1), (2 * x1, 2 * z0)]
                worst = min(max(abs(math.hypot((x - cx) / 2, z - cz) - radius)
                                for _, x, z in arc) for cx, cz in centres)
                self.assertLessEqual(worst, allowed)


class Tables(unittest.TestCase):
    """The motion tables in AMT follow from the channels' step period and the interval."""

    INTERVAL = 1010

    def test_tables(self):
        with open(os.path.join(image_dir(), "AMT"), "rb") as f:
            amt = struct.unpack("<4096H", f.read())
        sym = symbols()

        def steps(rate):  # steps per interval
            return self.INTERVAL / (10000 // rate + 1)

        advance = amt[sym["AdvanceTable"] - 0x7000:][:2048]
        self.assertEqual(list(advance), [0] + [16 * self.INTERVAL // (10000 // r + 1) for r in range(1, 2048)])
        rates = amt[sym["RateTable"] - 0x7000:][:sym["ADVANCE_MAX"] + 1]
        self.assertEqual(rates[0], 0)
        for a, rate in enumerate(rates[1:], 1):
            best = min(abs(steps(r) - a) for r in range(1, 2048))
            self.assertAlmostEqual(abs(steps(rate) - a), best, msg=f"{a} steps")


if __name__ == "__main__":
    unittest.main()
