#!/usr/bin/env python3
"""Mutation check of the firmware: does a one-line fault in the assembly sources fail a test?

Each mutant of firmware.tsv (columns as mutants.tsv) replaces one exact piece of text, found
exactly once in one file under firmware/, in a scratch copy (build-mutation/firmware/tree holds
firmware/, tests/firmware/ and docs/). kv74-as assembles every image of variants.txt from it as
the build does (images/<image>/ with the symbol table) and refreshes the scratch data/ as
firmware/build.sh does; then the firmware tests run as ctest runs them (command, environment and
TIMEOUT read from ctest) with the build's firmware folder, data/ and tests/firmware/ taken from
the scratch copy. Killed: some test fails, or runs past its ctest TIMEOUT (ctest reports that
as a failure). The first failure ends a mutant's run; the tests of the mutated file come first
(FIRST), the others by their unmutated time, quickest first, two at a time (--jobs). The real
tree is never touched.

    tests/mutation/firmware_mutants.py                 # the whole catalogue
    tests/mutation/firmware_mutants.py --id mot-       # chosen mutants (ids or id prefixes)
    tests/mutation/firmware_mutants.py --list          # the catalogue, nothing run
    tests/mutation/firmware_mutants.py --build build   # tools of a configured build
    tests/mutation/firmware_mutants.py --equivalent    # also the mutants argued equivalent

Mutants marked equivalent are not run (each would run every test) unless --equivalent is given.
The tools (kv74-as, kv74-run, fwpath, fwmonkey) come from build-mutation/firmware/build unless
--build names another build folder with the tests enabled. The unmutated tests run once first
(their times order the tests); the result is kept until the sources, tests or tools change.
Exit status: 0 when no mutant survived (mutants marked equivalent do not count), 1 otherwise,
2 for a catalogue error (text not found exactly once, a mutant that does not assemble).
"""

import argparse
import fcntl
import hashlib
import json
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
WORK = ROOT / "build-mutation" / "firmware"
TREE = WORK / "tree"
IMAGES = WORK / "images"
COPIED = ["firmware", "tests/firmware", "docs"]  # what the firmware tests read of the tree
TOOLS = ["kv74-as", "kv74-run", "fwpath", "fwmonkey"]
CONFIGURE = ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DKV74_WERROR=OFF",
             "-DKV74_GUI=OFF", "-DKV74_TOOLS=ON", "-DKV74_TESTS=ON", "-DKV74_BENCH=OFF"]

# The tests likeliest to fail for a fault in a file, first.
FIRST = {
    "firmware/boot.asm": ["firmware_boot", "firmware_faults", "firmware_monkey"],
    "firmware/isr.asm": ["firmware_monkey", "firmware_path", "firmware_boot"],
    "firmware/main.asm": ["firmware_faults", "firmware_monkey"],
    "firmware/keys.asm": ["firmware_keys", "firmware_monkey", "firmware_motion"],
    "firmware/entry.asm": ["firmware_keys", "firmware_motion", "firmware_monkey"],
    "firmware/display.asm": ["firmware_keys", "firmware_boot", "firmware_monkey"],
    "firmware/modes.asm": ["firmware_motion", "firmware_monkey", "firmware_keys"],
    "firmware/motion.asm": ["firmware_path", "firmware_motion", "firmware_sequence"],
    "firmware/faults.asm": ["firmware_faults"],
    "firmware/arith.asm": ["firmware_keys", "firmware_calls", "firmware_monkey"],
    "firmware/tables.asm": ["firmware_boot", "firmware_keys", "firmware_motion"],
    "firmware/defs.inc": ["firmware_monkey", "firmware_feed"],
    "firmware/auto.asm": ["firmware_auto", "firmware_part"],
    "firmware/auto_block.asm": ["firmware_part", "firmware_auto"],
    "firmware/auto_motion.asm": ["firmware_auto", "firmware_path"],
    "firmware/auto_func.asm": ["firmware_auto"],
}


class Mutant:
    def __init__(self, fields, where):
        if len(fields) < 5:
            raise SystemExit(f"{where}: want id, file, original, replacement, reason")
        self.id, self.file, orig, repl, self.reason = fields[:5]
        self.note = fields[5] if len(fields) > 5 else ""
        self.equivalent = self.note.startswith("equivalent")
        self.original = orig.replace("\\t", "\t").replace("\\n", "\n")
        self.replacement = repl.replace("\\t", "\t").replace("\\n", "\n")
        self.where = where


def load_catalogue(path):
    mutants = []
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        if raw.strip() and not raw.startswith("#"):
            mutants.append(Mutant(raw.split("\t"), f"{path.name}:{number}"))
    ids = [m.id for m in mutants]
    if len(set(ids)) != len(ids):
        raise SystemExit(f"{path.name}: duplicate ids")
    return mutants


def catalogue_error(m, root):
    """Why the mutant does not apply to the tree at root, or None."""
    path = root / m.file
    if not m.file.startswith("firmware/") or not path.is_file():
        return f"{m.id}: no firmware source {m.file}"
    count = path.read_text().count(m.original)
    if count != 1:
        return f"{m.id}: original text found {count} times in {m.file}: {m.original!r}"
    if m.replacement == m.original:
        return f"{m.id}: replacement equals the original"
    return None


def catalogue_failure(message):
    print(message, file=sys.stderr)
    raise SystemExit(2)


def sync():
    """The scratch tree equals the working tree's copied folders; returns their digest."""
    wanted, h = {}, hashlib.sha1()
    for top in COPIED:
        for src in sorted((ROOT / top).rglob("*")):
            if src.is_file() and "__pycache__" not in src.parts:
                wanted[src.relative_to(ROOT)] = src
    for rel, src in sorted(wanted.items()):
        data = src.read_bytes()
        h.update(str(rel).encode() + b"\0" + data)
        dst = TREE / rel
        if not dst.is_file() or dst.read_bytes() != data:
            dst.parent.mkdir(parents=True, exist_ok=True)
            dst.write_bytes(data)
            os.chmod(dst, src.stat().st_mode)
    for top in COPIED:
        for path in (TREE / top).rglob("*"):
            if path.is_file() and path.relative_to(TREE) not in wanted:
                path.unlink()
    (TREE / "data").mkdir(exist_ok=True)
    return h.hexdigest()


class Tools:
    """The build folder of the tools and its firmware tests as ctest runs them."""

    def __init__(self, build, log):
        self.build = Path(build).resolve()
        if not (self.build / "build.ninja").exists():
            subprocess.run(["cmake", "-S", str(ROOT), "-B", str(self.build)] + CONFIGURE,
                           check=True, stdout=log, stderr=subprocess.STDOUT)
        subprocess.run(["ninja", "-C", str(self.build)] + TOOLS, check=True, stdout=log,
                       stderr=subprocess.STDOUT)
        self.assembler = self.build / "tools" / "kv74-as" / "kv74-as"
        out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=self.build, check=True,
                             capture_output=True).stdout
        self.runs = [self.scratch_run(t) for t in json.loads(out)["tests"]
                     if t["name"].startswith("firmware_") and "coverage" not in t["name"]]

    def digest(self):
        h = hashlib.sha1()
        for name in ("kv74-as/kv74-as", "kv74-run/kv74-run"):
            h.update((self.build / "tools" / name).read_bytes())
        for name in ("fwpath", "fwmonkey"):
            h.update((self.build / "tests" / "firmware" / name).read_bytes())
        return h.hexdigest()

    def scratch(self, text):
        """A path of ctest's command or environment, moved to the scratch copy."""
        firmware = str(self.build / "firmware")
        if text == firmware or text.startswith(firmware + "/"):
            return str(IMAGES) + text[len(firmware):]
        if text.startswith(str(self.build) + "/"):
            return text
        for top in COPIED + ["data"]:
            base = str(ROOT / top)
            if text == base or text.startswith(base + "/"):
                return str(TREE / top) + text[len(base):]
        return text

    def scratch_run(self, test):
        props = {p["name"]: p["value"] for p in test.get("properties", [])}
        argv = [self.scratch(a) for a in test["command"]]
        if "unittest" in argv:
            argv.insert(argv.index("unittest") + 1, "-f")  # stop at the first failure
        env = {}
        for entry in props.get("ENVIRONMENT", []):
            key, _, value = entry.partition("=")
            if key != "KV74_COVERAGE_DIR":
                env[key] = self.scratch(value)
        cwd = self.scratch(props.get("WORKING_DIRECTORY", str(self.build)))
        return TestRun(test["name"], argv, env, cwd, props.get("TIMEOUT", 1500))


class TestRun:
    def __init__(self, name, argv, env, cwd, timeout):
        self.name, self.argv, self.env, self.cwd, self.timeout = name, argv, env, cwd, timeout
        self.seconds = 0.0  # on the unmutated firmware

    def start(self, log_path):
        self.out = open(log_path, "wb")
        self.began = time.monotonic()
        self.proc = subprocess.Popen(self.argv, cwd=self.cwd, env={**os.environ, **self.env},
                                     stdout=self.out, stderr=subprocess.STDOUT,
                                     start_new_session=True)

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
        self.out.close()


def assemble(tools, log):
    """Every image of variants.txt from the scratch sources, into IMAGES and the scratch data/
    as the build and firmware/build.sh do. True when all assembled."""
    first = True
    for line in (TREE / "firmware" / "variants.txt").read_text().splitlines():
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        image, defines = words[0], [a for d in words[1:] for a in ("-D", d)]
        out = IMAGES / image
        out.mkdir(parents=True, exist_ok=True)
        r = subprocess.run([str(tools.assembler), "-o", str(out), "--program-name", image]
                           + defines + ["--symbols", str(out / "symbols.txt"),
                                        "--debug-info", str(out / f"{image}.debug.json"),
                                        "--debug-info-base", str(TREE / "data"),
                                        str(TREE / "firmware" / "firmware.asm")],
                           stdout=log, stderr=subprocess.STDOUT)
        if r.returncode != 0:
            return False
        names = [image, f"{image}.debug.json"] + (["AMT", "RAM"] if first else [])
        for name in names:
            shutil.copyfile(out / name, TREE / "data" / name)
        first = False
    return True


def run_tests(runs, jobs, log):
    """Runs the tests in order, `jobs` at a time, until one fails: None when all passed, else
    the name of the first failing test (and why)."""
    waiting, running, failed = list(runs), [], None
    tmp = WORK / "runs"
    tmp.mkdir(exist_ok=True)
    try:
        while (waiting or running) and failed is None:
            while waiting and len(running) < jobs:
                r = waiting.pop(0)
                r.start(tmp / r.name)
                running.append(r)
            time.sleep(0.05)
            for r in list(running):
                code = r.proc.poll()
                late = time.monotonic() - r.began > r.timeout
                if code is None and not late:
                    continue
                running.remove(r)
                r.stop()
                log.write((tmp / r.name).read_bytes())
                if late:
                    failed = f"{r.name} (past its timeout of {r.timeout:.0f} s)"
                elif code != 0:
                    failed = r.name
                if failed:
                    break
    finally:
        for r in running:
            r.stop()
    log.flush()
    return failed


def baseline(tools, digest, jobs, log):
    """The unmutated tests' times (run once per digest of sources, tests and tools)."""
    stamp = WORK / "baseline.json"
    if stamp.is_file():
        kept = json.loads(stamp.read_text())
        if kept.get("digest") == digest and set(kept["seconds"]) == {r.name for r in tools.runs}:
            return kept["seconds"]
    log.write(b"=== baseline\n")
    if not assemble(tools, log):
        raise SystemExit("the unmutated firmware does not assemble")
    seconds = {}
    for r in tools.runs:  # one at a time, so that the times compare
        if run_tests([r], 1, log):
            raise SystemExit(f"the unmutated firmware fails {r.name}; see {WORK / 'mutation.log'}")
        seconds[r.name] = time.monotonic() - r.began
    stamp.write_text(json.dumps({"digest": digest, "seconds": seconds}))
    return seconds


def run(mutants, args):
    """Runs the mutants; returns [(id, killed, seconds)]. A mutant that does not apply or does not
    assemble ends the run (SystemExit 2)."""
    WORK.mkdir(parents=True, exist_ok=True)
    lock = open(WORK / "lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        raise SystemExit(f"another firmware mutation run is using {WORK}")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # so that the tests are stopped
    jobs = getattr(args, "jobs", None) or 2
    verbose = getattr(args, "verbose", True)
    results = []
    with open(WORK / "mutation.log", "wb") as log:
        digest = sync()
        for m in mutants:
            error = catalogue_error(m, TREE)
            if error:
                catalogue_failure(error)
        t0 = time.monotonic()
        tools = Tools(getattr(args, "build", None) or WORK / "build", log)
        seconds = baseline(tools, digest + tools.digest(), jobs, log)
        for r in tools.runs:
            r.seconds = seconds[r.name]
        if verbose:
            print(f"firmware tests ready in {time.monotonic() - t0:.0f} s: " +
                  ", ".join(f"{r.name[9:]} {r.seconds:.0f} s" for r in tools.runs), flush=True)
        by_name = {r.name: r for r in tools.runs}
        rest = sorted(tools.runs, key=lambda r: r.seconds)
        try:
            for m in mutants:
                if m.equivalent and not getattr(args, "equivalent", False):
                    results.append((m.id, False, 0.0))  # argued to survive every test
                    if verbose:
                        print(f"{'equivalent':10} {m.id:22}    - not run", flush=True)
                    continue
                t1 = time.monotonic()
                path = TREE / m.file
                original = path.read_text()
                path.write_text(original.replace(m.original, m.replacement))
                log.write(f"\n=== {m.id} {m.file}\n".encode())
                try:  # the tests see the mutated sources too (part-image.sh assembles them)
                    if not assemble(tools, log):
                        catalogue_failure(f"{m.id}: the mutant does not assemble; see "
                                          f"{WORK / 'mutation.log'}")
                    first = [by_name[n] for n in FIRST.get(m.file, []) if n in by_name]
                    failed = run_tests(first + [r for r in rest if r not in first], jobs, log)
                finally:
                    path.write_text(original)
                seconds = time.monotonic() - t1
                results.append((m.id, failed is not None, seconds))
                if verbose:
                    verdict = "killed" if failed else ("equivalent" if m.equivalent
                                                       else "survived")
                    print(f"{verdict:10} {m.id:22} {seconds:4.0f} s  {failed or ''}", flush=True)
        finally:
            if not assemble(tools, log):  # the scratch images as the tree builds them
                print("the unmutated firmware no longer assembles", file=sys.stderr)
    return results


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--id", nargs="*", default=[], help="mutant ids or id prefixes")
    ap.add_argument("--file", nargs="*", default=[], help="mutated files")
    ap.add_argument("--catalogue", default=str(HERE / "firmware.tsv"))
    ap.add_argument("--build", help="a configured build folder with the tests enabled")
    ap.add_argument("--jobs", type=int, default=2, help="tests run at once (default 2)")
    ap.add_argument("--equivalent", action="store_true",
                    help="run the mutants marked equivalent too (each runs every test)")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--check", action="store_true",
                    help="report the mutants that do not apply to the working tree; nothing run")
    args = ap.parse_args()

    mutants = load_catalogue(Path(args.catalogue))
    if args.id:
        mutants = [m for m in mutants if any(m.id == i or m.id.startswith(i) for i in args.id)]
    if args.file:
        mutants = [m for m in mutants if any(m.file.startswith(f) for f in args.file)]
    if args.check:
        errors = [e for e in (catalogue_error(m, ROOT) for m in mutants) if e]
        print("\n".join(errors + [f"{len(mutants)} mutants: {len(errors)} do not apply"]))
        return 2 if errors else 0
    if args.list:
        for m in mutants:
            print(f"{m.id:22} {m.file:26} {m.reason}")
        return 0
    start = time.monotonic()
    results = run(mutants, args)
    killed = sum(k for _, k, _ in results)
    survivors = [m for m, (_, k, _) in zip(mutants, results) if not k and not m.equivalent]
    equivalent = len(results) - killed - len(survivors)
    print(f"\n{len(results)} mutants: {killed} killed, {len(survivors)} survived, {equivalent} "
          f"equivalent; killed {100.0 * killed / max(len(results), 1):.1f} % "
          f"({100.0 * (killed + equivalent) / max(len(results), 1):.1f} % with the equivalent "
          f"ones); {time.monotonic() - start:.0f} s")
    for m in survivors:
        print(f"  survivor {m.id}: {m.file}: {m.original!r} -> {m.replacement!r}")
    return 1 if survivors else 0


if __name__ == "__main__":
    sys.exit(main())
