#!/usr/bin/env python3
"""Mutation check: does the fast test suite notice one-line faults?

The catalogue is one file per layer, tests/mutation/<layer>.tsv. Each mutant replaces one exact
piece of text, found exactly once in one file, in a scratch copy of the source tree
(build-mutation/src), rebuilds there only the test executables that contain the file (Release,
incremental, ninja targets), runs only the tests that can reach it (TESTS below), stopping at the
first failure, and reports whether some test failed (killed) or every test passed (survived). The
real tree is never touched; the scratch file is restored after every mutant, also when the run is
interrupted. The firmware's mutants (firmware.tsv) are run by firmware_mutants.py beside this
file when it is there: run(mutants, args) -> [(id, killed, seconds)].

    tests/mutation/mutate.py                  # the whole catalogue
    tests/mutation/mutate.py --layer debug    # chosen layers (catalogue files)
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
import importlib.util
import json
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
FIRMWARE = "firmware"  # the layer run by firmware_mutants.py

# The tests that can reach a mutated file, by the longest matching path prefix, quickest killer
# first: ctest names, or "executable:gtest filter" for some cases of a test executable. The
# ninja targets are the executables these tests run (and the programs their environment names).
TESTS = {
    "cpu/": ["cpu_tests", "board_tests", "periph_tests"],
    "cpu/decode.cpp": ["cpu_tests", "toolchain_tests"],
    "board/": ["board_tests", "cpu_tests", "periph_tests"],
    "periph/": ["periph_tests", "board_tests", "cpu_tests"],
    "panel/": ["panel_tests"],
    "tools/asm/": ["toolchain_tests", "toolchain_cli_tests"],
    "tools/common/": ["toolchain_tests", "toolchain_cli_tests", "file_options_tests",
                      "runner_tests"],
    "tools/kv74-dap/": ["dap_tests", "dap_session"],
    "debug/": ["debug_tests", "monitor_script_tests", "docs_check"],
    "monitor/": ["monitor_parse_tests", "monitor_script_tests", "docs_check", "dap_session"],
    "shell/": ["kv74-gui-tests:Options*:RamSave*:BatteryRam*:Pacing*:Replay*:Session*:Placement*:"
               "DebuggerRows*:Snapshots*"],
    "shell/pacing": ["kv74-gui-tests:Pacing*:Replay*"],
    "shell/recorder.cpp": ["kv74-gui-tests:Replay*:Session*"],
    "shell/ram_save.cpp": ["kv74-gui-tests:RamSave*:BatteryRam*"],
    "shell/options.cpp": ["kv74-gui-tests:Options*:Program*"],
    "shell/window_run.cpp": ["kv74-gui-tests:Replay*:Pacing*:Session*:Snapshots*"],
    "shell/debugger/row_map.cpp": ["kv74-gui-tests:DebuggerRows*"],
    "shell/debugger/placement.cpp": ["kv74-gui-tests:Placement*"],
}
# The programs of tests that find them in the build folder rather than by their command.
PROGRAMS = {"docs_check": ["kv74-run", "kv74-as", "kv74-dis", "kv74-dap"],
            "file_options_tests": ["kv74"]}
# Release at -O1: the quickest compile whose tests still run fast; lld links quickest. Warnings
# are not errors here: a mutant that only draws a warning is still a program to test.
CONFIGURE = ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG",
             "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
             "-DKV74_WERROR=OFF", "-DKV74_GUI=ON", "-DKV74_TOOLS=ON", "-DKV74_TESTS=ON",
             "-DKV74_BENCH=OFF"]
# A test run longer than this many times its unmutated time (at least MIN_TIMEOUT) is a kill.
SLOWDOWN = 5
MIN_TIMEOUT = 20


class Mutant:
    def __init__(self, fields, where, layer):
        if len(fields) < 5:
            raise SystemExit(f"{where}: want id, file, original, replacement, reason")
        self.id, self.file, orig, repl, self.reason = fields[:5]
        self.equivalent = len(fields) > 5 and fields[5].startswith("equivalent")
        self.note = fields[5] if len(fields) > 5 else ""
        self.original = unescape(orig)
        self.replacement = unescape(repl)
        self.where = where
        self.layer = layer


def unescape(text):
    return text.replace("\\t", "\t").replace("\\n", "\n")


def load_catalogue(paths):
    mutants = []
    for path in paths:
        for number, raw in enumerate(path.read_text().splitlines(), 1):
            if not raw.strip() or raw.startswith("#"):
                continue
            mutants.append(Mutant(raw.split("\t"), f"{path.name}:{number}", path.stem))
    seen = set()
    for m in mutants:
        if m.id in seen:
            raise SystemExit(f"{m.where}: duplicate id {m.id}")
        seen.add(m.id)
    return mutants


def tests_of(file):
    """The tests for a source file: those of its longest matching prefix, or None."""
    best = max((p for p in TESTS if file.startswith(p)), key=len, default=None)
    return TESTS[best] if best else None


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


class TestRun:
    """One test as ctest would run it, with fail-fast switches and its ninja targets."""

    def __init__(self, name, argv, env, cwd, targets):
        self.name, self.argv, self.env, self.cwd, self.targets = name, argv, env, cwd, targets
        self.baseline = None  # seconds on the unmutated tree


def ctest_tests():
    """ctest's tests by name: command, environment and working directory."""
    out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=BUILD, check=True,
                         capture_output=True).stdout
    tests = {}
    for t in json.loads(out)["tests"]:
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        env = dict(e.split("=", 1) for e in props.get("ENVIRONMENT", []))
        tests[t["name"]] = (t.get("command"), env, props.get("WORKING_DIRECTORY", str(BUILD)))
    return tests


def targets_in(words):
    """The ninja targets of the executables in the build folder that these words name."""
    found = []
    for w in words:
        for part in w.split("="):
            p = Path(part)
            if p.is_absolute() and BUILD in p.parents and p.is_file() and os.access(p, os.X_OK):
                found.append(p.name)
    return found


def make_runs(names):
    known = ctest_tests()
    runs = {}
    for name in names:
        exe, _, cases = name.partition(":")
        if cases:  # some cases of a gtest executable whose tests ctest lists one by one
            hits = [p for p in BUILD.rglob(exe) if p.is_file()]
            if not hits:
                raise SystemExit(f"test executable {exe} not built")
            env = next((e for n, (c, e, _) in known.items() if c and Path(c[0]).name == exe), {})
            argv = [str(hits[0]), f"--gtest_filter={cases}", "--gtest_brief=1",
                    "--gtest_fail_fast"]
            runs[name] = TestRun(name, argv, env, str(hits[0].parent), [exe])
            continue
        if name not in known or not known[name][0]:
            raise SystemExit(f"no test {name} in {BUILD}")
        argv, env, cwd = known[name]
        argv = list(argv)
        if "unittest" in argv:
            argv.insert(argv.index("unittest") + 1, "-f")
        elif BUILD in Path(argv[0]).parents:  # a gtest executable
            argv += ["--gtest_brief=1", "--gtest_fail_fast"]
        targets = targets_in(argv + list(env.values())) + PROGRAMS.get(name, [])
        runs[name] = TestRun(name, argv, env, cwd, targets)
    return runs


def build(targets, log):
    if not targets:  # ninja would build everything
        return True
    r = subprocess.run(["ninja", "-C", str(BUILD), "-j2"] + sorted(set(targets)), stdout=log,
                       stderr=subprocess.STDOUT)
    return r.returncode == 0


def run_one(run, timeout, log):
    """True when the test passed; None when it ran out of time."""
    try:
        r = subprocess.run(run.argv, cwd=run.cwd, env={**os.environ, **run.env}, stdout=log,
                           stderr=subprocess.STDOUT, timeout=timeout)
    except subprocess.TimeoutExpired:
        log.write(f"\n*** timeout after {timeout:.0f} s: {run.name}\n".encode())
        return None
    return r.returncode == 0


def judge(runs, every_target, command, log):
    """The verdict on the mutated scratch tree. Each test's executables are built just before it
    runs, so that a mutant the first test kills costs no more links."""
    if command:
        if not build(every_target, log):
            return "unbuildable"
        return "survived" if subprocess.run(shlex.split(command), cwd=BUILD, stdout=log,
                                            stderr=subprocess.STDOUT).returncode == 0 else "killed"
    for run in runs:
        if not build(run.targets, log):
            return "unbuildable"
        if not run_one(run, max(MIN_TIMEOUT, SLOWDOWN * run.baseline), log):
            return "killed"
    return "survived"


def catalogue_error(mutant, root):
    """Why the mutant does not apply to the tree at root, or None."""
    path = root / mutant.file
    if not path.is_file():
        return f"{mutant.where}: {mutant.id}: no file {mutant.file}"
    if mutant.layer != FIRMWARE and tests_of(mutant.file) is None:
        return f"{mutant.where}: {mutant.id}: no tests for {mutant.file}"
    count = path.read_text().count(mutant.original)
    if count != 1:
        return (f"{mutant.where}: {mutant.id}: original text found {count} times in "
                f"{mutant.file}: {mutant.original!r}")
    if mutant.replacement == mutant.original:
        return f"{mutant.where}: {mutant.id}: replacement equals the original"
    return None


def check(mutant):
    """The scratch file's text with the mutant applied; exits on a catalogue error."""
    error = catalogue_error(mutant, SRC)
    if error:
        raise SystemExit(error)
    return (SRC / mutant.file).read_text().replace(mutant.original, mutant.replacement)


def run_firmware(mutants, args):
    """The firmware layer's verdicts from its own driver, or None when it is not there."""
    path = HERE / "firmware_mutants.py"
    if not mutants or not path.is_file():
        return None
    found = importlib.util.spec_from_file_location("firmware_mutants", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module.run(mutants, args)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--layer", nargs="*", default=[], help="layers (catalogue file names)")
    ap.add_argument("--id", nargs="*", default=[], help="mutant ids or id prefixes")
    ap.add_argument("--file", nargs="*", default=[], help="mutated files or folders")
    ap.add_argument("--test", help="test command run in the build folder instead of the tests "
                    "of the mutated file (all test executables are then built)")
    ap.add_argument("--catalogue", nargs="*", help="catalogue files (default: every .tsv here)")
    ap.add_argument("--results", default=str(WORK / "results.tsv"),
                    help="where each verdict is written: layer, id, verdict, seconds")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--check", action="store_true",
                    help="report the mutants that do not apply to the working tree; nothing built")
    args = ap.parse_args()

    files = [Path(c) for c in args.catalogue] if args.catalogue else sorted(HERE.glob("*.tsv"))
    if args.layer:
        files = [f for f in files if f.stem in args.layer]
    mutants = load_catalogue(files)
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
            print(f"{m.layer:9} {m.id:24} {m.file:28} {m.reason}")
        return 0

    start = time.monotonic()
    firmware = [m for m in mutants if m.layer == FIRMWARE]
    mutants = [m for m in mutants if m.layer != FIRMWARE]
    # Grouping by file rebuilds each object once per mutant instead of twice.
    mutants.sort(key=lambda m: m.file)
    verdicts = {}  # id -> (verdict, seconds)
    if mutants:
        outcome = run_native(mutants, args, verdicts)
        if outcome is not None:
            return outcome
    for mid, killed, seconds in run_firmware(firmware, args) or []:
        verdicts[mid] = ("killed" if killed else "survived", seconds)
    everything = mutants + firmware
    for m in everything:
        if m.id in verdicts and m.equivalent and verdicts[m.id][0] == "survived":
            verdicts[m.id] = ("equivalent", verdicts[m.id][1])
    return report(everything, verdicts, time.monotonic() - start, Path(args.results))


def run_native(mutants, args, verdicts):
    """Runs the C++ layers' mutants into verdicts; an exit status when it cannot."""
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
    log_path = WORK / "mutation.log"
    wanted = sorted({t for m in mutants for t in tests_of(m.file)})
    with open(log_path, "wb") as log:
        log.write(b"=== baseline\n")
        t0 = time.monotonic()
        # The test executables first (named as their tests), so that ctest knows their commands.
        known = ctest_tests()
        if not build([s.partition(":")[0] for s in wanted
                      if ":" in s or s in known and not known[s][0]], log):
            print(f"the unmutated tree does not build; see {log_path}")
            return 1
        runs = make_runs(wanted)
        every_target = sorted({t for r in runs.values() for t in r.targets})
        if not build(every_target, log):
            print(f"the unmutated tree does not build; see {log_path}")
            return 1
        for run in runs.values():
            t1 = time.monotonic()
            if args.test is None and not run_one(run, None, log):
                print(f"the unmutated tree fails {run.name}; see {log_path}")
                return 1
            run.baseline = time.monotonic() - t1
        print(f"baseline built and passed in {time.monotonic() - t0:.0f} s: " +
              ", ".join(f"{r.name} {r.baseline:.1f} s" for r in runs.values()), flush=True)
        for m in mutants:
            t0 = time.monotonic()
            chosen = [runs[s] for s in tests_of(m.file)]
            path = SRC / m.file
            original = path.read_bytes()
            mutated = check(m)
            log.write(f"\n=== {m.id} {m.file}\n".encode())
            log.flush()
            PENDING.write_text(m.file)
            try:
                path.write_text(mutated)
                verdict = judge(chosen, every_target, args.test, log)
            finally:
                path.write_bytes(original)
                PENDING.unlink()
            verdicts[m.id] = (verdict, time.monotonic() - t0)
            print(f"{verdict:11} {m.id:24} {m.file:28} {time.monotonic() - t0:5.1f} s  {m.reason}",
                  flush=True)
        # Leave the scratch build matching the tree.
        build(every_target, log)
    return None


def report(mutants, verdicts, elapsed, results):
    """Per layer and in all: the counts and the score; the exit status."""
    layers = sorted({m.layer for m in mutants})
    rows = []
    survivors = []
    unbuildable = 0
    print()
    for layer in layers + [None]:
        mine = [m for m in mutants if (layer is None or m.layer == layer) and m.id in verdicts]
        if not mine:
            continue
        counts = {"killed": 0, "survived": 0, "equivalent": 0, "unbuildable": 0}
        for m in mine:
            counts[verdicts[m.id][0]] += 1
        scored = len(mine) - counts["unbuildable"]
        seconds = sum(verdicts[m.id][1] for m in mine)
        print(f"{layer or 'all':9} {len(mine):4} mutants: {counts['killed']:4} killed, "
              f"{counts['survived']:3} survived, {counts['equivalent']:2} equivalent, "
              f"{counts['unbuildable']} unbuildable; killed "
              f"{100.0 * counts['killed'] / max(scored, 1):5.1f} % "
              f"({100.0 * (counts['killed'] + counts['equivalent']) / max(scored, 1):5.1f} % "
              f"with the equivalent ones); {seconds:.0f} s of mutants")
        if layer is not None:
            survivors += [m for m in mine if verdicts[m.id][0] == "survived"]
            unbuildable += counts["unbuildable"]
            rows += [f"{m.layer}\t{m.id}\t{verdicts[m.id][0]}\t{verdicts[m.id][1]:.1f}"
                     for m in mine]
    print(f"{elapsed:.0f} s in all")
    results.parent.mkdir(parents=True, exist_ok=True)
    results.write_text("\n".join(rows) + "\n")
    for m in survivors:
        print(f"  survivor {m.id}: {m.file}: {m.original!r} -> {m.replacement!r}")
    if unbuildable:
        print(f"  unbuildable mutants are catalogue errors; see {WORK / 'mutation.log'}")
    return 1 if survivors or unbuildable else 0


if __name__ == "__main__":
    sys.exit(main())
