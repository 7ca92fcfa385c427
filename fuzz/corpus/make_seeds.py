#!/usr/bin/env python3
"""Writes the committed seed corpus of every fuzz target from the bundled images and firmware
sources. Run from the repository root after a change of an input format."""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "fuzz", "corpus")


def image(name):
    with open(os.path.join(ROOT, "data", name), "rb") as f:
        data = f.read()
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def records(area, first, words):
    """Machine records (fuzz/machine_input.hpp) placing words from first on."""
    out = b""
    for i in range(0, len(words), 255):
        chunk = words[i:i + 255]
        out += struct.pack("<BHB", area, first + i, len(chunk)) + struct.pack("<%dH" % len(chunk), *chunk)
    return out


def write(target, name, data):
    os.makedirs(os.path.join(OUT, target), exist_ok=True)
    with open(os.path.join(OUT, target, name), "wb") as f:
        f.write(data)


v4, ram, amt = image("V4"), image("RAM"), image("AMT")
firmware = records(0, 0, v4) + records(2, 0, ram) + records(3, 0, amt)
# CALL [word 0x10] -> RET at 0x20, JMP 0; stack pointer (word 18) in RAM, timer running.
calls = records(0, 0, [0x6210, 0x63FF]) + records(0, 0x10, [0x20]) + records(0, 0x20, [0xE370]) + \
    records(1, 18, [0x4800]) + records(4, 0, [3, 1])
for target in ("fuzz_core", "fuzz_equivalence"):
    write(target, "firmware", firmware)
    write(target, "calls", calls)

with open(os.path.join(ROOT, "firmware", "arith.asm"), "rb") as f:
    write("fuzz_asm", "arith", b"\x01" + f.read())
write("fuzz_asm", "include", b"\x01.include \"inc.s\"\nN = (x + 2) * 3\n.org 0x4000\n.word N, -N, ~N\n"
      b".if N > 4\n.fill 3, 0xFFFF\n.endif\n.block G1 X+\\L1500 Z-200\n")
write("fuzz_asm", "image", b"\x00" + struct.pack("<256H", *v4[:256]))

write("fuzz_script", "clicks", b"# clicks\n10 click ki3\n10   click ki3   # back to off\n"
      b"100 click k0x7b\n150 click ki0\n200 click k0x1D\n2200001 click uskor\n2200002 click mash\n")
write("fuzz_options", "run", b"\x00--steps\x000x100\x00--trace\x00t.txt\x00--trace-limit\x001000\x00"
      b"--state-json=s.json\x00--until-pc\x000x40\x00-q")
write("fuzz_options", "as", b"\x01-o\x00out\x00--listing\x00l.lst\x00-DV=2\x00--program-name\x00V2\x00x.s")
write("fuzz_options", "dis", b"\x02--base\x000x4000\x00--from\x000x4010\x00--to\x000x4020\x00--source\x00RAM")


def images(names, v4_bytes, amt_bytes, ram_bytes):
    return bytes([names]) + struct.pack("<H", len(v4_bytes)) + v4_bytes + \
        struct.pack("<H", len(amt_bytes)) + amt_bytes + ram_bytes


def raw(words):
    return struct.pack("<%dH" % len(words), *words)


write("fuzz_image", "bundled", images(7, raw(v4[:8191]) + b"\x01", raw(amt), raw(ram)))
write("fuzz_image", "short", images(2, raw(v4[:40]), b"\x05", b""))

table = records(2, 0x5A7, ram[0x5A7:0x5A7 + 240])
write("fuzz_block", "table", struct.pack("<H", 0) + table)
write("fuzz_block", "late", struct.pack("<H", 3) + table)

# Records, a hand-over of everything, clicks on every control in turn.
write("fuzz_panel", "session", b"\x00" + table + b"\x00" + records(2, 0x10A, [0, 3]) +
      b"\x01" + struct.pack("<I", 0x001F07FE) + b"".join(b"\x02" + bytes([i]) for i in range(0, 120, 3)) +
      b"\x01" + struct.pack("<I", 0x00010000))

# The readers of debug information, monitor commands and adapter requests: seeds that reach the
# bounds (nesting, huge counts, NULs, control bytes) and the commands that store, delete and run.
HEADER = '{"format": "kv74-debug-info", "version": 1, '
write("fuzz_debuginfo", "whole", (HEADER + '"sources": ["a.asm"], "symbols": [{"name": "Start", '
      '"value": 0, "source": 0, "line": 1}, {"name": "N", "kind": "equ", "value": 4294967295}], '
      '"lines": [{"address": 0, "size": 2, "source": 0, "line": 1}], "data": [{"address": 16, '
      '"size": 4, "kind": "table"}], "comments": [{"address": 0, "text": "a\\u0000b\\u001b"}]}').encode())
write("fuzz_debuginfo", "nested", (HEADER + '"symbols": ' + "[" * 17 + "]" * 17 + "}").encode())
write("fuzz_debuginfo", "nested-format", ('{"format": ' + "{\"a\": " * 16 + "1" + "}" * 17).encode())
write("fuzz_debuginfo", "huge", (HEADER + '"symbols": [{"name": "x", "value": 18446744073709551616}],'
      ' "lines": [{"address": -1, "size": 1e999}]}').encode())
MONITOR = [
    "set [0x4FFF]:32 = 0x12345678", "set [0x6FFF]:32 = -1", "set R3 = 5",
    "delete 4294967297", "delete 2147483648", "x 0 9223372036854775807",
    "disasm 0 18446744073709551615", "until 0x0500", "finish", "next", "reverse-continue",
    "print " + "(" * 300 + "1" + ")" * 300, "click ki0\0junk", "click \x1b[2J",
    "break Sym if 1 / (steps - steps)", "watch [0x4200]..[0x4210] if steps > 5",
    "trace t.txt only 0x10..0x20", "save-state s.snap", "expect [0x4200] == 7",
]
write("fuzz_monitor", "findings", "\n".join(MONITOR).encode("latin-1"))


def requests(*lines):
    import json
    return "\n".join(json.dumps({"seq": i + 10, "type": "request", "command": c, "arguments": a})
                     for i, (c, a) in enumerate(lines)).encode()


write("fuzz_dap", "console", requests(*[("evaluate", {"expression": "-exec " + m, "context": "repl"})
                                         for m in MONITOR if not m.startswith(("save", "trace", "x ", "disasm"))]))
write("fuzz_dap", "requests", requests(
    ("setFunctionBreakpoints", {"breakpoints": [{"name": "Start", "condition": "1 / (steps - steps)"}]}),
    ("continue", {"threadId": 1}), ("stepBack", {"threadId": 1}),
    ("writeMemory", {"memoryReference": "0x4FFF", "data": "AAAAAA=="}),
    ("readMemory", {"memoryReference": "0x4FFF", "count": 4}),
    ("evaluate", {"expression": "(" * 40 + "1" + ")" * 40, "context": "watch"}),
    ("setDataBreakpoints", {"breakpoints": [{"dataId": "0x4200", "accessType": "write"}]}),
    ("reverseContinue", {"threadId": 1})))
write("fuzz_dap", "nested", b'{"seq": 1, "type": "request", "command": "evaluate", "arguments": ' +
      b"[" * 40 + b"]" * 40 + b"}")
