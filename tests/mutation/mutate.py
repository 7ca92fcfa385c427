#!/usr/bin/env python3
"""Mutation check: does the fast test suite notice one-line faults?

Each mutant of mutants.tsv replaces one exact piece of text, found exactly once in one file, in
a scratch copy of the source tree (build-mutation/src), rebuilds the test executables of that
file's area there (Release, incremental), runs them with a timeout and reports whether some test
failed (killed) or every test passed (survived). The real tree is never touched; the scratch
file is restored after every mutant, also when the run is interrupted.

    tests/mutation/mutate.py                  # the whole catalogue
    tests/mutation/mutate.py --id alu-bus-c   # chosen mutants (ids or id prefixes)
    tests/mutation/mutate.py --file periph/   # mutants of files under a path
    tests/mutation/mutate.py --test 'ctest -R cpu'   # another test command (run in the build dir)
    tests/mutation/mutate.py --list           # the catalogue, nothing built
    tests/mutation/mutate.py --check          # every mutant applies to the tree, nothing built

Exit status: 0 when no mutant survived (mutants marked equivalent do not count), 1 otherwise,
2 for a catalogue error (text not found exactly once, unknown file).
"""

import argparse
import fcntl
import hashlib
import os
import shlex
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
WORK = ROOT / "build-mutation"
SRC = WORK / "src"
BUILD = WORK / "build"
PENDING = WORK / "applied"  # names the scratch file while a mutant is applied

# Test executables by the top folder of the mutated file. The processor's and the board's tests
# (tests/cpu, tests/board) cover cpu/ and board/; periph/ also runs them, as they hold the
# scheduled loop's lock-step comparisons.
AREA_TESTS = {
    "cpu": ["periph_tests", "cpu_tests", "board_tests"],
    "board": ["periph_tests", "cpu_tests", "board_tests"],
    "periph": ["periph_tests", "cpu_tests", "board_tests"],
    "panel": ["panel_tests"],
    "tools": ["toolchain_tests"],
}
# Files whose users reach past their area: the decoder also drives the disassembler and assembler.
FILE_TESTS = {
    "cpu/decode.cpp": ["cpu_tests", "toolchain_tests"],
}
# Release at -O1: the quickest compile whose tests still run fast. Warnings are not errors here: a
# mutant that only draws a warning is still a program to test.
CONFIGURE = ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG",
             "-DKV74_WERROR=OFF", "-DKV74_GUI=OFF", "-DKV74_TOOLS=ON", "-DKV74_TESTS=ON",
             "-DKV74_BENCH=OFF"]


class Mutant:
    def __init__(self, fields, line):
        if len(fields) < 5:
            raise SystemExit(f"mutants.tsv:{line}: want id, file, original, replacement, reason")
        self.id, self.file, orig, repl, self.reason = fields[:5]
        self.equivalent = len(fields) > 5 and fields[5].startswith("equivalent")
        self.note = fields[5] if len(fields) > 5 else ""
        self.original = unescape(orig)
        self.replacement = unescape(repl)
        self.line = line


def unescape(text):
    return text.replace("\\t", "\t").replace("\\n", "\n")


def load_catalogue(path):
    mutants = []
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        if not raw.strip() or raw.startswith("#"):
            continue
        mutants.append(Mutant(raw.split("\t"), number))
    ids = [m.id for m in mutants]
    if len(set(ids)) != len(ids):
        raise SystemExit("mutants.tsv: duplicate ids")
    return mutants


def source_files():
    out = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                         check=True, capture_output=True).stdout
    return [f for f in out.decode().split("\0") if f and not f.startswith("build")]


def digest(path):
    return hashlib.sha1(path.read_bytes()).digest()


def sync():
    """Brings the scratch copy up to the working tree. Only files whose content differs are
    written, so they get a new time and ninja rebuilds exactly what changed."""
    restore_pending()
    wanted = set(source_files())
    for rel in sorted(wanted):
        src, dst = ROOT / rel, SRC / rel
        if not src.is_file():
            continue
        if dst.is_file() and digest(dst) == digest(src):
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        dst.write_bytes(src.read_bytes())
        os.chmod(dst, src.stat().st_mode)
    for path in SRC.rglob("*"):
        if path.is_file() and str(path.relative_to(SRC)) not in wanted:
            path.unlink()


def restore_pending():
    if PENDING.exists():
        rel = PENDING.read_text().strip()
        (SRC / rel).write_bytes((ROOT / rel).read_bytes())
        PENDING.unlink()


def configure():
    if not (BUILD / "build.ninja").exists():
        subprocess.run(["cmake", "-S", str(SRC), "-B", str(BUILD)] + CONFIGURE, check=True,
                       stdout=subprocess.DEVNULL)


def tests_for(mutant, override):
    if override:
        return None
    if mutant.file in FILE_TESTS:
        return FILE_TESTS[mutant.file]
    top = mutant.file.split("/")[0]
    if top not in AREA_TESTS:
        raise SystemExit(f"{mutant.id}: no test executables for {mutant.file}")
    return AREA_TESTS[top]


def build(targets, log):
    r = subprocess.run(["cmake", "--build", str(BUILD), "-j2", "--target"] + targets,
                       stdout=log, stderr=subprocess.STDOUT)
    return r.returncode == 0


def run_tests(targets, command, timeout, log):
    """True when every test passed."""
    runs = [shlex.split(command)] if command else [[str(BUILD / find_exe(t)), "--gtest_brief=1",
                                                    "--gtest_fail_fast"]
                                                   for t in targets]
    for argv in runs:
        try:
            r = subprocess.run(argv, cwd=BUILD, stdout=log, stderr=subprocess.STDOUT,
                               timeout=timeout)
        except subprocess.TimeoutExpired:
            log.write(f"\n*** timeout after {timeout} s: {argv}\n".encode())
            return False
        if r.returncode != 0:
            return False
    return True


_exe_cache = {}


def find_exe(target):
    if target not in _exe_cache:
        hits = [p for p in BUILD.glob(f"tests/**/{target}") if p.is_file()]
        if not hits:
            raise SystemExit(f"test executable {target} not built")
        _exe_cache[target] = hits[0].relative_to(BUILD)
    return _exe_cache[target]


def catalogue_error(mutant, root):
    """Why the mutant does not apply to the tree at root, or None."""
    path = root / mutant.file
    if not path.is_file():
        return f"{mutant.id}: no file {mutant.file}"
    if mutant.file.split("/")[0] not in AREA_TESTS and mutant.file not in FILE_TESTS:
        return f"{mutant.id}: no test executables for {mutant.file}"
    count = path.read_text().count(mutant.original)
    if count != 1:
        return (f"{mutant.id}: original text found {count} times in {mutant.file}: "
                f"{mutant.original!r}")
    if mutant.replacement == mutant.original:
        return f"{mutant.id}: replacement equals the original"
    return None


def check(mutant):
    """The scratch file's text with the mutant applied; exits on a catalogue error."""
    error = catalogue_error(mutant, SRC)
    if error:
        raise SystemExit(error)
    return (SRC / mutant.file).read_text().replace(mutant.original, mutant.replacement)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--id", nargs="*", default=[], help="mutant ids or id prefixes")
    ap.add_argument("--file", nargs="*", default=[], help="mutated files or folders")
    ap.add_argument("--test", help="test command run in the build folder instead of the area's "
                    "test executables (all test executables are then built)")
    ap.add_argument("--timeout", type=float, default=120, help="seconds per test executable")
    ap.add_argument("--catalogue", default=str(HERE / "mutants.tsv"))
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--check", action="store_true",
                    help="report the mutants that do not apply to the working tree; nothing built")
    args = ap.parse_args()

    mutants = load_catalogue(Path(args.catalogue))
    if args.id:
        mutants = [m for m in mutants if any(m.id == i or m.id.startswith(i) for i in args.id)]
    if args.file:
        mutants = [m for m in mutants if any(m.file.startswith(f) for f in args.file)]
    if args.check:
        errors = [e for e in (catalogue_error(m, ROOT) for m in mutants) if e]
        for e in errors:
            print(e)
        print(f"{len(mutants)} mutants: {len(mutants) - len(errors)} apply, {len(errors)} do not")
        return 2 if errors else 0
    if args.list:
        for m in mutants:
            print(f"{m.id:24} {m.file:24} {m.reason}")
        return 0
    # Grouping by file rebuilds each object once per mutant instead of twice.
    mutants.sort(key=lambda m: m.file)

    WORK.mkdir(exist_ok=True)
    SRC.mkdir(exist_ok=True)
    lock = open(WORK / "lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        raise SystemExit(f"another mutation run is using {WORK}")
    sync()
    for m in mutants:  # every catalogue entry must apply before anything is built
        check(m)
    configure()
    all_targets = sorted({t for ts in AREA_TESTS.values() for t in ts})
    log_path = WORK / "mutation.log"
    start = time.monotonic()
    counts = {"killed": 0, "survived": 0, "equivalent": 0, "unbuildable": 0}
    survivors = []
    with open(log_path, "wb") as log:
        targets = all_targets
        log.write(b"=== baseline\n")
        if not build(targets, log) or not run_tests(targets, args.test, args.timeout, log):
            print(f"the unmutated tree does not build or pass its tests; see {log_path}")
            return 1
        print(f"baseline built and passed in {time.monotonic() - start:.0f} s")
        for m in mutants:
            t0 = time.monotonic()
            targets = tests_for(m, args.test) or all_targets
            path = SRC / m.file
            original = path.read_bytes()
            mutated = check(m)
            log.write(f"\n=== {m.id} {m.file}\n".encode())
            log.flush()
            PENDING.write_text(m.file)
            try:
                path.write_text(mutated)
                if not build(targets, log):
                    verdict = "unbuildable"
                elif run_tests(targets, args.test, args.timeout, log):
                    verdict = "survived"
                else:
                    verdict = "killed"
            finally:
                path.write_bytes(original)
                PENDING.unlink()
            if m.equivalent and verdict == "survived":
                verdict = "equivalent"
            counts[verdict] += 1
            if verdict == "survived":
                survivors.append(m)
            print(f"{verdict:11} {m.id:24} {m.file:24} {time.monotonic() - t0:5.0f} s  {m.reason}",
                  flush=True)
        # Leave the scratch build matching the tree.
        build(all_targets, log)
    total = len(mutants)
    scored = total - counts["unbuildable"]
    print(f"\n{total} mutants: {counts['killed']} killed, {counts['survived']} survived, "
          f"{counts['equivalent']} equivalent, {counts['unbuildable']} unbuildable; "
          f"killed {100.0 * counts['killed'] / max(scored, 1):.1f} % "
          f"({100.0 * (counts['killed'] + counts['equivalent']) / max(scored, 1):.1f} % with the "
          f"equivalent ones); {time.monotonic() - start:.0f} s")
    for m in survivors:
        print(f"  survivor {m.id}: {m.file}: {m.original!r} -> {m.replacement!r}")
    if counts["unbuildable"]:
        print(f"  unbuildable mutants are catalogue errors; see {log_path}")
    return 1 if survivors or counts["unbuildable"] else 0


if __name__ == "__main__":
    sys.exit(main())
