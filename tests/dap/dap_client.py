"""A scripted Debug Adapter Protocol client: starts kv74-dap, sends requests, waits for messages."""
import json
import os
import queue
import resource
import subprocess
import threading

ADAPTER = os.environ["KV74_DAP"]
DATA = os.environ["KV74_DATA"]
SOURCE = os.environ["KV74_SOURCE"]


class Client:
    def __init__(self, memory_mb=None):
        """memory_mb bounds the adapter's address space (an unbounded request then fails fast).
        A sanitized adapter reserves terabytes of address space for its shadow memory at start,
        so there the bound is left off."""
        if os.environ.get("KV74_SANITIZED"):
            memory_mb = None
        limit = None if memory_mb is None else memory_mb << 20
        bound = None if limit is None else (
            lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
        self.proc = subprocess.Popen([ADAPTER], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     preexec_fn=bound)
        self.seq = 0
        self.inbox = queue.Queue()
        self.seen = []  # every message read, in order
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.proc.stdout
        while True:
            header = b""
            while not header.endswith(b"\r\n\r\n"):
                c = out.read(1)
                if not c:
                    self.inbox.put(None)
                    return
                header += c
            length = int(header.split(b":", 1)[1])
            self.inbox.put(json.loads(out.read(length)))

    def write(self, raw):
        self.proc.stdin.write(raw)
        self.proc.stdin.flush()

    def send(self, command, arguments=None):
        self.seq += 1
        message = {"seq": self.seq, "type": "request", "command": command}
        if arguments is not None:
            message["arguments"] = arguments
        body = json.dumps(message).encode()
        self.write(b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
        return self.seq

    def wait(self, predicate, timeout=60):
        while True:
            m = self.inbox.get(timeout=timeout)
            if m is None:
                raise EOFError("the adapter closed its output")
            self.seen.append(m)
            if predicate(m):
                return m

    def response(self, seq):
        return self.wait(lambda m: m.get("type") == "response" and m["request_seq"] == seq)

    def request(self, command, arguments=None):
        """The response of a request that must succeed: its body."""
        r = self.response(self.send(command, arguments))
        if not r["success"]:
            raise AssertionError("%s failed: %s" % (command, r.get("message")))
        return r.get("body", {})

    def failure(self, command, arguments=None):
        """The message of a request that must fail."""
        r = self.response(self.send(command, arguments))
        if r["success"]:
            raise AssertionError("%s succeeded: %r" % (command, r))
        return r["message"]

    def stopped(self):
        return self.wait(lambda m: m.get("event") == "stopped")["body"]

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.proc.stdin.close()
        self.proc.stdout.close()
