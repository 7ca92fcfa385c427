"""The feed: the leading axis of a feed move makes F steps per 10,000 processor steps (within
1 %) at every feed, and the feed the panel shows is the feed the axes run at, also after a
stop."""
import os
import unittest

import blocks
from fwrun import AUTO, KEY, START, STOP, path, run, typed

GO = [(100000, AUTO), (200000, START)]
GUIDE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "operating.md")
FEEDS = [1, 2, 7, 10, 33, 99, 100, 101, 150, 200, 333, 500, 777, 900, 950, 999, 1000]


def measured_rate(feed, dx, dz):
    """Steps of the leading axis per 10,000 steps over the middle 80 % of a G1 move by
    (dx, dz) display units (at most 20000 on either axis)."""
    x0, z0 = 25000 if dx < 0 else 5000, 12000 if dz < 0 else -18000
    program = [["G0", f"X{x0}", f"Z{z0}"], [f"F{feed}"], ["G1", f"X{x0 + dx}", f"Z{z0 + dz}"],
               ["M30"]]
    way = 2 * max(abs(dx), abs(dz))
    _, points = path(600000 + way * 10000 // feed * 11 // 10, GO, blocks.patches(program))
    start = (2 * x0, 2 * z0)
    line = points[max(i for i, p in enumerate(points) if p[1:] == start) + 1:]
    lead = 1 if abs(dx) >= abs(dz) else 2
    steps = [p for i, p in enumerate(line) if i == 0 or p[lead] != line[i - 1][lead]]
    first, last = steps[len(steps) // 10], steps[len(steps) * 9 // 10]
    return abs(last[lead] - first[lead]) * 10000 / (last[0] - first[0])


def way(feed):
    """Display units that take about 400,000 steps at the feed, at least 50."""
    return max(50, 20 * feed)


def guide_table():
    """feed -> rate from the table in docs/operating.md (rows "| F | rate | deviation |")."""
    with open(GUIDE) as f:
        text = f.read().split("<!-- feed table -->")[1]
    rows = [line.split("|")[1:3] for line in text.splitlines() if line.startswith("| ")]
    return {int(feed): float(rate) for feed, rate in rows[1:]}


class Rate(unittest.TestCase):
    def test_within_one_percent(self):
        for feed in FEEDS:
            w = way(feed)
            for dx, dz in ((0, w), (0, -w), (-w, w // 3), (w // 2, -w)):
                with self.subTest(feed=feed, dx=dx, dz=dz):
                    self.assertAlmostEqual(measured_rate(feed, dx, dz) / feed, 1, delta=0.01)

    def test_guide_shows_the_measured_rates(self):
        table = guide_table()
        self.assertEqual(sorted(table), FEEDS)
        for feed in FEEDS:
            with self.subTest(feed=feed):
                self.assertAlmostEqual(table[feed], measured_rate(feed, 0, -way(feed)), delta=0.01)


class AfterStop(unittest.TestCase):
    """F typed while a stopped run waits to be resumed: start resumes at that feed; F 0
    refuses the resumed feed move (04) instead of running at a feed no longer shown."""

    PROGRAM = [["G0", "X10000", "Z0"], ["F100"], ["G1", "Z-10000"], ["G1", "Z-19000"], ["M30"]]
    STOPPED = 1_000_000

    def clicks(self, feed):
        return GO + [(self.STOPPED, STOP)] + typed(f"F{feed}*", self.STOPPED + 50000) + \
            [(self.STOPPED + 300000, START)]

    def test_typed_feed_is_the_feed_run(self):
        s = run(self.STOPPED + 2_000_000, self.clicks(200), blocks.patches(self.PROGRAM))
        self.assertEqual((s.feed_digits, s.captions["f"]), ("0200", "200"))
        _, points = path(self.STOPPED + 2_000_000, self.clicks(200), blocks.patches(self.PROGRAM))
        late = [p for p in points if self.STOPPED + 400000 < p[0] < self.STOPPED + 800000]
        rate = (late[0][2] - late[-1][2]) * 10000 / (late[-1][0] - late[0][0])
        self.assertAlmostEqual(rate / 200, 1, delta=0.01)

    def test_feed_zero_refuses_the_feed_move(self):
        s = run(self.STOPPED + 1_000_000, self.clicks(0), blocks.patches(self.PROGRAM))
        self.assertEqual((s.row, s.feed_digits), ("-E   04", "0000"))
        self.assertEqual(s.word(37) | s.word(38), 0)  # both channels stand


if __name__ == "__main__":
    import sys
    if sys.argv[1:] == ["--table"]:  # the guide's table
        print("| F | measured | deviation |\n|---|---|---|")
        for f in FEEDS:
            r = measured_rate(f, 0, -way(f))
            print(f"| {f} | {r:.2f} | {100 * (r / f - 1):+.2f} % |")
    else:
        unittest.main()
