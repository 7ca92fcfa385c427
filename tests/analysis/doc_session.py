#!/usr/bin/env python3
"""Runs the console blocks of a document and compares their output with what it shows.

A block is a ```console fence: lines starting with "$ " are commands (run by bash in one
scratch folder holding a link `data` to the images), the lines up to the next command are its
expected standard output and error. --update rewrites the document with the real output.
    doc_session.py DOC BIN_DIR... [--update]
"""
import os
import subprocess
import sys
import tempfile


def blocks(lines):
    """(first line, last line) index pairs of each console block's body."""
    inside, start = False, 0
    for i, line in enumerate(lines):
        if line.strip() == "```console":
            inside, start = True, i + 1
        elif inside and line.strip() == "```":
            inside = False
            yield start, i


def main():
    args = [a for a in sys.argv[1:] if a != "--update"]
    update = "--update" in sys.argv
    doc, bins = args[0], [os.path.abspath(b) for b in args[1:]]
    data = os.path.join(os.path.dirname(os.path.abspath(doc)), "..", "data")
    env = dict(os.environ, PATH=os.pathsep.join(bins + [os.environ.get("PATH", "")]))
    with open(doc) as f:
        lines = f.read().split("\n")
    out, failures, at = [], 0, 0
    with tempfile.TemporaryDirectory() as scratch:
        os.symlink(os.path.abspath(data), os.path.join(scratch, "data"))
        for start, end in blocks(lines):
            out += lines[at:start]
            body, i = lines[start:end], 0
            while i < len(body):
                command = body[i]
                j = i + 1
                while j < len(body) and not body[j].startswith("$ "):
                    j += 1
                expected = body[i + 1:j]
                run = subprocess.run(["bash", "-c", command[2:]], cwd=scratch, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                got = run.stdout.rstrip("\n").split("\n") if run.stdout.strip() else []
                if got != expected:
                    failures += 1
                    print(f"{doc}: {command}\n--- expected\n" + "\n".join(expected) +
                          "\n--- got\n" + "\n".join(got))
                out += [command] + got
                i = j
            at = end
    out += lines[at:]
    if update:
        with open(doc, "w") as f:
            f.write("\n".join(out))
        return 0
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
