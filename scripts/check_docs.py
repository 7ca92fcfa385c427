#!/usr/bin/env python3
"""Runs the commands shown in the docs and compares what they print with what the docs show.

A fenced block is checked when an HTML comment (invisible in the rendered page) stands on the
line before its opening fence:

  <!-- file NAME -->        the block's text is written to NAME, for the blocks after it
  <!-- shell -->            "$ COMMAND" lines run with sh; each is followed by what it prints
                            (standard output and error together)
  <!-- session ARGS -->     a monitor session: "(kv74) COMMAND" lines are fed to
                            `kv74-run ARGS --debug`, each followed by its answer

The commands run in a scratch directory holding `data` and `firmware` (links to the source
tree's), with the built tools first on PATH; the files of a document's `file` blocks are written
there in order. Timings ("0.482 s (16.0 M steps/s)") are compared as numbers of any value.

  scripts/check_docs.py BUILD_DIR [--update] DOC...

Exit status 1 with a difference per block when a doc differs; --update writes what the tools
print into the docs instead.
"""
import argparse
import difflib
import os
import re
import subprocess
import sys
import tempfile

MARK = re.compile(r"^<!--\s*(file|shell|session)\b\s*(.*?)\s*-->\s*$")
TIMING = re.compile(r"\d+\.\d+ s \(\d+\.\d+ M steps/s\)")
SENTINEL = 6209758  # printed between two commands of a session to split their answers
PROMPT = "(kv74) "


def blocks(lines):
    """(kind, argument, first line, last line) of each marked fenced block; lines exclusive."""
    i = 0
    while i < len(lines):
        m = MARK.match(lines[i])
        if m and i + 1 < len(lines) and lines[i + 1].startswith("```"):
            end = i + 2
            while end < len(lines) and not lines[end].startswith("```"):
                end += 1
            if end == len(lines):
                raise SystemExit(f"line {i + 2}: a fence that is never closed")
            yield m.group(1), m.group(2), i + 2, end
            i = end
        i += 1


def masked(text):
    return TIMING.sub("T s (R M steps/s)", text)


def run_shell(body, cwd, env):
    out, command, expected = [], None, []

    def flush():
        if command is not None:
            r = subprocess.run(["sh", "-c", command], cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, timeout=600)
            out.append("$ " + command)
            out.extend(r.stdout.splitlines())

    for line in body:
        if line.startswith("$ "):
            flush()
            command = line[2:]
        elif command is None:
            raise ValueError("a shell block starts with a '$ ' line")
    flush()
    return out


def run_session(args, body, cwd, env):
    commands = [line[len(PROMPT):] for line in body if line.startswith(PROMPT)]
    if not commands:
        raise ValueError("a session block has no '(kv74) ' line")
    fed = "".join(f"{c}\nprint {SENTINEL}\n" for c in commands[:-1]) + commands[-1] + "\n"
    r = subprocess.run(["sh", "-c", f"kv74-run {args} --debug"], input=fed, cwd=cwd, env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=600)
    answers = [[]]
    for line in r.stdout.splitlines():
        if line.startswith(f"{SENTINEL} = "):
            answers.append([])
        else:
            answers[-1].append(line)
    if len(answers) != len(commands):
        raise ValueError("the session ended early:\n" + r.stdout)
    out = []
    for command, answer in zip(commands, answers):
        out.append(PROMPT + command)
        out.extend(answer)
    return out


def check(doc, build, update):
    with open(doc, encoding="utf-8") as f:
        lines = f.read().split("\n")
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    env = dict(os.environ)
    tools = [os.path.join(build, "tools", t) for t in ("kv74-run", "kv74-as", "kv74-dis",
                                                         "kv74-dap")]
    env["PATH"] = os.pathsep.join(tools + [env.get("PATH", "")])
    failures = 0
    with tempfile.TemporaryDirectory() as cwd:
        for name in ("data", "firmware"):
            os.symlink(os.path.join(source, name), os.path.join(cwd, name))
        replaced = []
        for kind, arg, first, end in blocks(lines):
            body = lines[first:end]
            if kind == "file":
                with open(os.path.join(cwd, arg), "w", encoding="utf-8") as f:
                    f.write("\n".join(body) + "\n")
                continue
            try:
                got = run_shell(body, cwd, env) if kind == "shell" else \
                    run_session(arg, body, cwd, env)
            except (ValueError, subprocess.TimeoutExpired) as e:
                print(f"{doc}:{first}: {e}")
                failures += 1
                continue
            if [masked(x) for x in got] == [masked(x) for x in body]:
                continue
            if update:
                replaced.append((first, end, got))
                continue
            failures += 1
            print(f"{doc}:{first}: the block differs from what the tools print:")
            sys.stdout.writelines(difflib.unified_diff(
                [x + "\n" for x in body], [x + "\n" for x in got], "documented", "printed"))
        for first, end, got in reversed(replaced):
            lines[first:end] = got
        if replaced:
            with open(doc, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            print(f"{doc}: {len(replaced)} block(s) updated")
    return failures


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("build")
    p.add_argument("--update", action="store_true")
    p.add_argument("docs", nargs="+")
    a = p.parse_args()
    failures = sum(check(doc, os.path.abspath(a.build), a.update) for doc in a.docs)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
