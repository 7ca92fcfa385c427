"""kv74-dap driven through a whole session on the bundled firmware, and fed bad input."""
import base64
import json
import os
import tempfile
import time
import unittest

from dap_client import DATA, SOURCE, Client

DEMO = os.path.join(SOURCE, "firmware", "demo", "auto-run.input")


def debug_info():
    with open(os.path.join(DATA, "V4.debug.json")) as f:
        return json.load(f)


def line_of(info, name):
    """(source path, line, address) of the first instruction of a label."""
    address = next(s["value"] for s in info["symbols"] if s["name"] == name)
    entry = next(e for e in info["lines"] if e["address"] == address)
    path = os.path.normpath(os.path.join(DATA, info["sources"][entry["source"]]))
    return path, entry["line"], address


def codeless_line(info, source_index):
    used = {e["line"] for e in info["lines"] if e["source"] == source_index}
    return next(n for n in range(1, 100000) if n not in used)


def image_word(address):
    with open(os.path.join(DATA, "V4"), "rb") as f:
        data = f.read()
    return data[2 * address] | data[2 * address + 1] << 8


def value(client, expression):
    """The number an expression evaluates to ("7200 (0x1C20)" -> 7200)."""
    reply = client.request("evaluate", {"expression": expression, "context": "watch"})
    return int(reply["result"].split()[0])


def steps(client):
    return value(client, "steps")


def words(client, reference, count):
    """`count` words read through readMemory: two bytes each, high byte first."""
    reply = client.request("readMemory", {"memoryReference": reference, "count": 2 * count})
    raw = base64.b64decode(reply["data"])
    return [raw[i] << 8 | raw[i + 1] for i in range(0, len(raw), 2)]


class Session(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.c = Client()

    def tearDown(self):
        self.c.close()
        self.dir.cleanup()

    def launch(self, **extra):
        caps = self.c.request("initialize", {"adapterID": "kv74"})
        for cap in ("supportsStepBack", "supportsDataBreakpoints", "supportsDisassembleRequest",
                    "supportsReadMemoryRequest", "supportsConfigurationDoneRequest"):
            self.assertTrue(caps.get(cap), cap)
        args = {"images": DATA, "stopOnEntry": True, "workdir": self.dir.name}
        args.update(extra)
        self.c.request("launch", args)
        self.c.wait(lambda m: m.get("event") == "initialized")

    def test_whole_session(self):
        c = self.c
        info = debug_info()
        path, line, address = line_of(info, "PollKeys")
        self.launch(input=DEMO)
        source_index = next(i for i, s in enumerate(info["sources"])
                            if os.path.normpath(os.path.join(DATA, s)) == path)
        bad_line = codeless_line(info, source_index)
        bps = c.request("setBreakpoints", {"source": {"path": path},
                                           "breakpoints": [{"line": line}, {"line": bad_line}]})
        self.assertEqual([b["verified"] for b in bps["breakpoints"]], [True, False])
        c.request("configurationDone")
        self.assertEqual(c.stopped()["reason"], "entry")
        self.assertEqual(steps(c), 0)

        # A breakpoint on a source line stops with that line on top of the stack.
        c.request("continue", {"threadId": 1})
        stop = c.stopped()
        self.assertEqual(stop["reason"], "breakpoint")
        self.assertEqual(stop["hitBreakpointIds"], [bps["breakpoints"][0]["id"]])
        top = c.request("stackTrace", {"threadId": 1})["stackFrames"][0]
        self.assertEqual((top["source"]["path"], top["line"]), (path, line))
        self.assertEqual(top["instructionPointerReference"], "0x%04X" % address)
        self.assertEqual(top["name"], "PollKeys")

        # next, then one step back lands one step before.
        before = steps(c)
        c.request("next", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "step")
        after = steps(c)
        self.assertGreater(after, before)
        c.request("stepBack", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "step")
        self.assertEqual(steps(c), after - 1)

        # disassemble and readMemory agree with the image and the debug information.
        ins = c.request("disassemble", {"memoryReference": "0x%04X" % address,
                                        "instructionCount": 3})["instructions"]
        self.assertEqual(len(ins), 3)
        self.assertEqual((ins[0]["symbol"], ins[0]["line"]), ("PollKeys", line))
        self.assertEqual(ins[0]["instructionBytes"][:4], "%04X" % image_word(address))
        self.assertEqual(words(c, "0x%04X" % address, 2),
                         [image_word(address), image_word(address + 1)])

        # A data breakpoint on the position cell stops once the demo's move changes it.
        c.request("setBreakpoints", {"source": {"path": path}, "breakpoints": []})
        data_id = c.request("dataBreakpointInfo", {"name": "0x425F"})["dataId"]
        dbp = c.request("setDataBreakpoints", {"breakpoints": [
            {"dataId": data_id, "accessType": "write", "condition": "[0x425F] != 7200"}]})
        self.assertTrue(dbp["breakpoints"][0]["verified"])
        c.request("continue", {"threadId": 1})
        stop = c.stopped()
        self.assertEqual(stop["reason"], "data breakpoint")
        self.assertEqual(stop["hitBreakpointIds"], [dbp["breakpoints"][0]["id"]])
        cell = words(c, "0x425F", 1)[0]
        self.assertNotEqual(cell, 7200)
        self.assertEqual(value(c, "[0x425F]"), cell)
        watched = c.request("variables", {"variablesReference": 3})["variables"]
        self.assertIn("0x425F", watched[0]["name"])
        info = c.request("dataBreakpointInfo",
                         {"name": watched[0]["name"], "variablesReference": 3})
        self.assertEqual(info["dataId"], data_id)
        console = c.request("evaluate", {"expression": "-exec x 0x425F 1", "context": "repl"})
        self.assertIn("0x425F", console["result"])

        # pause during continue.
        c.request("setDataBreakpoints", {"breakpoints": []})
        c.request("continue", {"threadId": 1})
        time.sleep(0.3)
        mark = len(c.seen)
        running = steps(c)  # answered between two slices of the run
        self.assertFalse([m for m in c.seen[mark:] if m.get("event") == "stopped"])
        c.request("pause", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "pause")
        self.assertGreaterEqual(steps(c), running)
        self.assertGreater(running, after)

        c.request("disconnect")
        self.assertEqual(c.proc.wait(timeout=30), 0)

    def test_calls_reverse_continue_and_memory_writes(self):
        c = self.c
        path, line, address = line_of(debug_info(), "PollKeys")
        self.launch()
        fbp = c.request("setFunctionBreakpoints", {"breakpoints": [{"name": "PollKeys"}]})
        self.assertEqual((fbp["breakpoints"][0]["verified"], fbp["breakpoints"][0]["line"]),
                         (True, line))
        ebp = c.request("setExceptionBreakpoints", {"filters": ["fault"]})
        self.assertTrue(ebp["breakpoints"][0]["verified"])
        c.request("configurationDone")
        self.assertEqual(c.stopped()["reason"], "entry")
        c.request("continue", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "function breakpoint")
        first = steps(c)
        frames = c.request("stackTrace", {"threadId": 1})["stackFrames"]
        self.assertEqual([f["name"] for f in frames], ["PollKeys", "MainLoop"])
        call = frames[1]["instructionPointerReference"]
        after_call = c.request("disassemble", {"memoryReference": call, "instructionOffset": 1,
                                               "instructionCount": 1})["instructions"][0]["address"]

        # Step out returns to the instruction after the call, one frame up.
        c.request("stepOut", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "step")
        frames = c.request("stackTrace", {"threadId": 1})["stackFrames"]
        self.assertEqual([f["instructionPointerReference"] for f in frames], [after_call])

        # The next hit, then reverse-continue back to the first.
        c.request("continue", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "function breakpoint")
        second = steps(c)
        self.assertGreater(second, first)
        c.request("reverseContinue", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "function breakpoint")
        self.assertEqual(steps(c), first)

        # An instruction breakpoint where the call returns to.
        c.request("setFunctionBreakpoints", {"breakpoints": []})
        ibp = c.request("setInstructionBreakpoints",
                        {"breakpoints": [{"instructionReference": after_call}]})
        c.request("continue", {"threadId": 1})
        self.assertEqual(c.stopped()["hitBreakpointIds"], [ibp["breakpoints"][0]["id"]])
        top = c.request("stackTrace", {"threadId": 1})["stackFrames"][0]
        self.assertEqual(top["instructionPointerReference"], after_call)
        c.request("setInstructionBreakpoints", {"breakpoints": []})

        # A condition on the steps of the run in progress passes over the first hit only.
        condition = "steps > %d" % first
        c.request("setBreakpoints", {"source": {"path": path},
                                     "breakpoints": [{"line": line, "condition": condition}]})
        c.request("continue", {"threadId": 1})
        self.assertEqual(c.stopped()["reason"], "breakpoint")
        self.assertEqual(steps(c), second)

        # Memory written through the adapter reads back; unmapped words refuse the write.
        data = base64.b64encode(b"\x12\x34").decode()
        c.request("writeMemory", {"memoryReference": "0x4200", "data": data})
        self.assertEqual(words(c, "0x4200", 1), [0x1234])
        unmapped = c.failure("writeMemory", {"memoryReference": "0x8000", "data": data})
        self.assertIn("0x8000", unmapped)
        console = c.request("evaluate", {"expression": "-exec print [0x4200]"})
        self.assertIn("4660", console["result"])

    def test_bad_messages_get_error_responses(self):
        c = self.c
        self.assertIn("launched", c.failure("stackTrace", {"threadId": 1}))
        for raw in (b"Content-Type: x\r\n\r\n",                  # no length
                    b"Content-Length: abc\r\n\r\n",             # bad length
                    b"Content-Length: 99999999999\r\n\r\n",     # too long
                    b"Content-Length: 5\r\n\r\n{\"a\":",         # not JSON
                    b"Content-Length: 2\r\n\r\n[]",              # not an object
                    b"Content-Length: 20\r\n\r\n{\"type\":\"request\"}  "):  # no seq
            c.write(raw)
            r = c.wait(lambda m: m.get("type") == "response")
            self.assertFalse(r["success"], raw)
            self.assertTrue(r["message"], raw)
        self.assertIn("unknown request", c.failure("frobnicate"))
        self.assertIn("images", c.failure("launch", {"images": 5}))
        self.assertIn("image directory", c.failure("launch", {"images": self.dir.name + "/none"}))
        self.launch()
        for command, args, says in (
                ("setBreakpoints", {"source": {"path": "x.asm"}, "breakpoints": [{"line": "7"}]},
                 "line"),
                ("setBreakpoints", {"breakpoints": []}, "source"),
                ("readMemory", {"memoryReference": "0x4200", "count": 3}, "even"),
                ("readMemory", {"memoryReference": "zzz", "count": 2}, "memory reference"),
                ("writeMemory", {"memoryReference": "0x4200", "data": "!!!!"}, "base64"),
                ("disassemble", {"memoryReference": "0x0100"}, "instructionCount"),
                ("variables", {"variablesReference": 999}, "999"),
                ("setDataBreakpoints", {"breakpoints": [{"dataId": "0x10000"}]}, "0x10000"),
                ("setExceptionBreakpoints", {"filters": ["bogus"]}, "bogus"),
                ("evaluate", {"expression": "1 +", "context": "watch"}, ""),
                ("evaluate", {"expression": "-exec frobnicate"}, "frobnicate"),
                ("launch", {"images": DATA}, "already")):
            self.assertIn(says, c.failure(command, args), command)
        # Still answering, and a function breakpoint on an unknown name is unverified, not an error.
        fbp = c.request("setFunctionBreakpoints", {"breakpoints": [{"name": "NoSuchLabel"}]})
        self.assertFalse(fbp["breakpoints"][0]["verified"])
        c.proc.stdin.close()
        self.assertEqual(c.proc.wait(timeout=30), 0)


if __name__ == "__main__":
    unittest.main()
