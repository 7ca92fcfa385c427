"""Random part programs and the path they make: lines, rapids and quarter circles in any
order, at random feeds and in every direction, and where each G1 block ran."""
import math

BOX_X = (-1000, 30000)  # display units: the delivered travel limits
BOX_Z = (-20000, 15000)


def random_program(rng, count):
    """`count` motion blocks from X 3600 Z 11000 -> (blocks, moves); a move is (g, feed,
    start, end) in steps. Every block moves both axes or one; arcs are quarter circles."""
    x, z = 3600, 11000
    feed = None
    blocks, moves = [], []
    while len(moves) < count:
        kind = rng.choice("0111123")
        if kind in "23":
            r = rng.randint(20, 1500)
            nx, nz = x + rng.choice((-2, 2)) * r, z + rng.choice((-1, 1)) * r
        elif rng.random() < 0.2:  # one axis only
            nx, nz = (x, rng.randint(*BOX_Z)) if rng.random() < 0.5 else (rng.randint(*BOX_X), z)
        else:
            span = rng.choice((30, 300, 3000, 20000))
            nx = x + rng.randint(-span, span)
            nz = z + rng.randint(-span, span)
        if not (BOX_X[0] <= nx <= BOX_X[1] and BOX_Z[0] <= nz <= BOX_Z[1]) or (nx, nz) == (x, z):
            continue
        items = [f"G{kind}", f"X{nx}", f"Z{nz}"]
        if kind != "0":
            new = feed
            if feed is None or rng.random() < 0.5:
                new = rng.choice((1, 2, 7, 50, 99, 100, 101, 333, 500, 777, 999, 1000))
            way = 2 * max(abs(nx - x), abs(nz - z))
            new = max(new, math.ceil(way * 10000 / 4_000_000))  # each block short in time
            if new != feed:
                feed = new
                items.append(f"F{feed}")
        blocks.append(items)
        moves.append((int(kind), feed if kind != "0" else None, (2 * x, 2 * z), (2 * nx, 2 * nz)))
        x, z = nx, nz
    blocks.append(["M30"])
    return blocks, moves


def segments(points, moves):
    """Splits the path (step, x, z) at the end point of each move: one list per move."""
    result, i = [], 0
    for _, _, _, end in moves:
        seg = []
        while i < len(points):
            seg.append(points[i])
            i += 1
            if seg[-1][1:] == end:
                break
        result.append(seg)
    return result


def deviation(start, end, points):
    """Largest distance in steps of the points from the line through start and end."""
    (x0, z0), (x1, z1) = start, end
    length = math.hypot(x1 - x0, z1 - z0)
    return max((abs((x - x0) * (z1 - z0) - (z - z0) * (x1 - x0)) / length
                for _, x, z in points), default=0.0)


def duration(moves):
    """Steps that the moves take at most, with the exchanges of a block's start."""
    total = 300_000
    for g, feed, (x0, z0), (x1, z1) in moves:
        way = max(abs(x1 - x0), abs(z1 - z0))
        total += 50_000 + (way * 5 if g == 0 else way * 10000 // feed * 11 // 10)
    return total
