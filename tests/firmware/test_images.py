"""The committed images are the build's output, and they keep the fixed outline that the rest
of the system relies on.

To refresh data/ after changing the firmware sources, run firmware/build.sh.
"""
import json
import os
import struct
import unittest

from fwrun import DATA, image_dir

VARIANTS = {"V4": 0x1953, "V0": 0x1C3D, "V2": 0x1953, "V3": 0x1953}  # image: boot entry


def read(path):
    with open(path, "rb") as f:
        return f.read()


def words(path):
    data = read(path)
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


class Reproducible(unittest.TestCase):
    def test_data_equals_the_build(self):
        pairs = [(os.path.join(image_dir("V4"), n), n) for n in ("V4", "AMT", "RAM")]
        pairs += [(os.path.join(image_dir(v), v), v) for v in ("V0", "V2", "V3")]
        pairs += [(os.path.join(image_dir(v), v + ".debug.json"), v + ".debug.json")
                  for v in ("V4", "V0", "V2", "V3")]
        for built, name in pairs:
            with self.subTest(image=name):
                self.assertEqual(read(built), read(os.path.join(DATA, name)),
                                 f"data/{name} differs from the build: run firmware/build.sh")

    def test_debug_info_names_the_sources(self):
        with open(os.path.join(DATA, "V4.debug.json")) as f:
            info = json.load(f)
        self.assertEqual(info["format"], "kv74-debug-info")
        for source in info["sources"]:
            with self.subTest(source=source):
                self.assertTrue(os.path.isfile(os.path.join(DATA, source)))


    def test_variants_share_tables_and_ram(self):
        for variant in ("V0", "V2", "V3"):
            for name in ("AMT", "RAM"):
                with self.subTest(variant=variant, image=name):
                    self.assertEqual(read(os.path.join(image_dir(variant), name)),
                                     read(os.path.join(DATA, name)))


class Outline(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prog = {v: words(os.path.join(DATA, v)) for v in VARIANTS}
        cls.amt = words(os.path.join(DATA, "AMT"))
        cls.ram = words(os.path.join(DATA, "RAM"))

    def test_sizes(self):
        for v in VARIANTS:
            self.assertEqual(len(self.prog[v]), 8192)
        self.assertEqual((len(self.amt), len(self.ram)), (4096, 4096))

    def test_program_words(self):
        for v, entry in VARIANTS.items():
            with self.subTest(image=v):
                p = self.prog[v]
                self.assertEqual(p[0:2], [0xE350, entry])
                self.assertEqual(p[136:140], [0x4000, 0x4002, 0x4004, 0x4006])
                self.assertEqual((p[191], p[239], p[255]), (0x1CF2, 0x1D04, 0x1D1C))
                for handler in (0x1CF2, 0x1D04, 0x1D1C):
                    self.assertNotEqual(p[handler], 0)

    def test_ram_outline(self):
        r = self.ram
        for slot in range(5):
            self.assertEqual(r[2 * slot], 0xE350)
        self.assertEqual(r[0x0040], 0x45A7)
        cells = {0x010A: 0, 0x0212: 0, 0x0235: 0, 0x025E: 0, 0x025F: 7200, 0x0260: 0,
                 0x0261: 22000}
        for offset, value in cells.items():
            self.assertEqual(r[offset], value, hex(0x4000 + offset))
        self.assertEqual(r[0x0266:0x0276], [0x8000 >> i for i in range(16)])
        self.assertEqual(r[0x0276:0x0286], [0xFFFF ^ (0x8000 >> i) for i in range(16)])

    def test_part_program_areas(self):
        r = self.ram
        first = r[0x05A7:0x05A7 + 2 * 249]
        for n, area in enumerate((0x45A3, 0x4799, 0x498F, 0x4B85, 0x4D7B)):
            with self.subTest(area=hex(area)):
                i = area - 0x4000
                self.assertEqual(r[i], 0x8600)
                self.assertEqual(r[i + 2], 0xACAB)
                used = r[i + 3]
                entries = r[i + 4:i + 4 + 2 * used]
                self.assertEqual(entries, first[:2 * used])
                self.assertTrue(entries[-2] & 0x8000)  # the last entry ends a block
                self.assertEqual((entries[-2] & 0x0F00, entries[-1]), (0x0400, 0x0030))  # M30
        self.assertEqual(r[0x0F71:0x0F74], [0x8600, 0x0099, 0xACAB])

    def test_character_table(self):
        pairs = [(">", 1), ("<", 2), ("#", 3), ("X", 1), ("U", 0x41), ("Z", 2), ("W", 0x42),
                 ("G", 3), ("M", 4), ("S", 5), ("T", 6), ("P", 7), ("F", 8)]
        pairs += [(str(d), d) for d in range(10)]
        self.assertEqual(self.amt[0:23], [ord(c) | code << 8 for c, code in pairs])


if __name__ == "__main__":
    unittest.main()
