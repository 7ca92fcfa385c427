"""kv74-dap against hostile requests and files: each row's outcome, a fragment of its message, and
that nothing in the scratch folder changed but prog.txt."""
import os
import tempfile
import time
import unittest

from dap_client import DATA, Client

DEEP = 200000


def snapshot(folder):
    """Every file below folder with its bytes (prog.txt left out: the runs write it)."""
    seen = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            if name != "prog.txt" and os.path.isfile(path):
                with open(path, "rb") as f:
                    seen[os.path.relpath(path, folder)] = f.read()
            elif name != "prog.txt":
                seen[os.path.relpath(path, folder)] = "special"
    return seen


def debug_info_with(members):
    return '{"format": "kv74-debug-info", "version": 1, %s}' % members


class Hostile(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.c = Client(memory_mb=1024)
        self.c.request("initialize", {"adapterID": "kv74"})

    def tearDown(self):
        self.c.close()
        self.dir.cleanup()

    def file(self, name, text):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def launch(self, **extra):
        args = {"images": DATA, "stopOnEntry": True, "workdir": self.dir.name}
        args.update(extra)
        self.c.request("launch", args)
        self.c.wait(lambda m: m.get("event") == "initialized")
        self.c.request("configurationDone")
        self.c.stopped()

    def console(self, line):
        """(success, result or message) of a debug console line."""
        r = self.c.response(self.c.send("evaluate", {"expression": line, "context": "repl"}))
        return r["success"], r.get("body", {}).get("result", r.get("message", ""))

    def test_launch_rows(self):
        fifo = os.path.join(self.dir.name, "fifo")
        os.mkfifo(fifo)
        rows = (
            ("symbols nested deep", self.file("deep.json", debug_info_with(
                '"symbols": ' + "[" * DEEP + "]" * DEEP)), "nested more than 16 deep"),
            ("format nested deep", self.file("format.json", '{"format": ' + "[" * DEEP + "]" * DEEP
                                             + "}"), "nested more than 16 deep"),
            ("debug information from a FIFO", fifo, "not a regular file"),
            ("debug information from /dev/zero", "/dev/zero", "not a regular file"),
        )
        before = snapshot(self.dir.name)
        for name, path, says in rows:
            r = self.c.response(self.c.send("launch", {"images": DATA, "debugInfo": path,
                                                       "workdir": self.dir.name}))
            self.assertFalse(r["success"], name)
            self.assertTrue(says in r["message"], (name, r["message"][:300]))
            self.assertLess(len(r["message"]), 1000, name)
        self.assertEqual(snapshot(self.dir.name), before)

    def test_console_rows(self):
        self.launch()
        before = snapshot(self.dir.name)
        rows = (
            # The monitor's bound on a count: 65536 words at most.
            ("x with a huge count", "-exec x 0 9223372036854775807", True, "0xFFF8:"),
            ("32-bit store on the last word", "-exec set [0x4FFF]:32 = 0x12345678", False,
             "nothing stored"),
            ("nothing of it stored", "[0x4FFF]", True, "0 (0x0)"),
            ("break for the delete", "-exec break 0x0100", True, "breakpoint"),
            ("delete beyond int", "-exec delete 4294967297", False, "out of range"),
            ("the point stays", "-exec info breakpoints", True, "0x0100"),
            ("deep expression", "(" * 300 + "1" + ")" * 300, False, "nested too deeply"),
            ("NUL in a control's name", "-exec click ki0\0junk", False, "ki0\\x00junk"),
            ("escape in a command", "-exec \x1b[2J", False, "\\x1B[2J"),
            ("a 32 KB name", "-exec click " + "k" * (1 << 15), False, "kkk..."),
            ("a failed expect says both sides", "-exec expect 1 + 1 == 3", True,
             "expect failed: 1 + 1 == 3: left 2 (0x2), right 3 (0x3)"),
            ("a held expect", "-exec expect 2 == 2", True, "expect held"),
            ("a megabyte line", "-exec print " + "1" * (1 << 20), False, "longer than 65536"),
        )
        for name, line, ok, says in rows:
            success, text = self.console(line)
            self.assertEqual(success, ok, (name, text[:200]))
            self.assertTrue(says in text, (name, text[:300]))
            self.assertLessEqual(len(text), 3 << 20, name)
        self.assertEqual(snapshot(self.dir.name), before)

    def test_failed_condition_says_why(self):
        self.launch()
        self.c.request("setFunctionBreakpoints", {"breakpoints": [
            {"name": "PollKeys", "condition": "1 / (steps - steps)"}]})
        self.c.request("continue", {"threadId": 1})
        stop = self.c.stopped()
        self.assertIn("division by zero", stop["description"])

    @unittest.skipIf(os.environ.get("KV74_SANITIZED"),
                     "a sanitizer's quarantine and shadow memory hide the adapter's own")
    def test_flood_stays_bounded(self):
        """Requests sent faster than a running machine takes them wait in a bounded inbox."""
        self.launch()
        self.c.send("continue", {"threadId": 1})
        padding = "p" * (1 << 20)
        start = time.monotonic()
        for _ in range(200):
            self.c.send("threads", {"padding": padding})
        self.c.request("pause", {"threadId": 1})
        with open("/proc/%d/status" % self.c.proc.pid) as f:
            peak = next(int(l.split()[1]) for l in f if l.startswith("VmHWM"))
        print("\n200 requests of 1 MB in %.1f s, adapter peak RSS %d MB"
              % (time.monotonic() - start, peak >> 10))
        self.assertLess(peak >> 10, 120)


if __name__ == "__main__":
    unittest.main()
