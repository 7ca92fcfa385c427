#!/usr/bin/env python3
"""Mutation check: does the fast test suite notice one-line faults?

The catalogue is one file per layer, tests/mutation/<layer>.tsv. Each mutant replaces one exact
piece of text, found exactly once in one file, in a scratch copy of the source tree
(build-mutation/w<N>/src), rebuilds there only the test executables that contain the file
(Release, incremental, ninja targets), runs only the tests that can reach it (TESTS below),
stopping at the first failure, and reports whether some test failed (killed) or every test passed
(survived). Workers (--jobs, one per core by default) each own a scratch copy and its build and
take the mutated files one at a time, the files included by most first. The real tree is never
touched; the scratch file is restored after every mutant, also when the run is interrupted. The firmware's mutants (firmware.tsv) are run by firmware_mutants.py beside this
file when it is there: run(mutants, args) -> [(id, killed, seconds)].

    tests/mutation/mutate.py                  # the whole catalogue
    tests/mutation/mutate.py --layer debug    # chosen layers (catalogue files)
    tests/mutation/mutate.py --id alu-bus-c   # chosen mutants (ids or id prefixes)
    tests/mutation/mutate.py --file periph/   # mutants of files under a path
    tests/mutation/mutate.py --test 'ctest -R cpu'   # another test command (run in the build dir)
    tests/mutation/mutate.py --list           # the catalogue, nothing built
    tests/mutation/mutate.py --check          # every mutant applies to the tree, nothing built
    tests/mutation/mutate.py --jobs 1         # one worker

Mutants argued equivalent in the catalogue are not run unless --equivalent is given.
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
import shutil
import subprocess
import sys
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
WORK = ROOT / "build-mutation"
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
    "shell/window_run.cpp": ["kv74-gui-tests:Replay*:Pacing*:Session*:Snapshots*:"
                             "DebuggerTest.ReverseContinue*"],
    "shell/debugger/row_map.cpp": ["kv74-gui-tests:DebuggerRows*"],
    "shell/debugger/placement.cpp": ["kv74-gui-tests:Placement*"],
}
# The programs of tests that find them in the build folder rather than by their command.
PROGRAMS = {"docs_check": ["kv74-run", "kv74-as", "kv74-dis", "kv74-dap"],
            "dap_session": ["kv74-dap"], "file_options_tests": ["kv74"]}
# Release at -O1: the quickest compile whose tests still run fast; lld links quickest, and ccache
# keeps every mutant's objects for the next run. Warnings are not errors here: a mutant that only
# draws a warning is still a program to test.
CONFIGURE = (["-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG",
              "-DKV74_WERROR=OFF", "-DKV74_GUI=ON", "-DKV74_TOOLS=ON", "-DKV74_TESTS=ON",
              "-DKV74_BENCH=OFF"]
             + (["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"] if shutil.which("ld.lld") else [])
             + (["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []))
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


class TestRun:
    """One test as ctest would run it, with fail-fast switches and its ninja targets."""

    def __init__(self, name, argv, env, cwd, targets):
        self.name, self.argv, self.env, self.cwd, self.targets = name, argv, env, cwd, targets
        self.baseline = None  # seconds on the unmutated tree


class Scratch:
    """A worker's scratch copy of the tree, its build folder and its log."""

    def __init__(self, index, jobs):
        self.root = WORK / f"w{index}"
        self.src, self.build_dir = self.root / "src", self.root / "build"
        self.pending = self.root / "applied"  # names the scratch file while a mutant is applied
        self.jobs = jobs  # ninja's jobs
        self.runs = {}
        self.root.mkdir(parents=True, exist_ok=True)
        self.log = open(self.root / "mutation.log", "wb")

    def sync(self, wanted):
        """Brings the scratch copy up to the working tree. Only files whose content differs are
        written, so they get a new time and ninja rebuilds exactly what changed."""
        self.restore_pending()
        for rel in sorted(wanted):
            src, dst = ROOT / rel, self.src / rel
            if not src.is_file():
                continue
            if dst.is_file() and digest(dst) == digest(src):
                continue
            dst.parent.mkdir(parents=True, exist_ok=True)
            dst.write_bytes(src.read_bytes())
            os.chmod(dst, src.stat().st_mode)
        for path in self.src.rglob("*"):
            if path.is_file() and str(path.relative_to(self.src)) not in wanted:
                path.unlink()

    def restore_pending(self):
        if self.pending.exists():
            rel = self.pending.read_text().strip()
            (self.src / rel).write_bytes((ROOT / rel).read_bytes())
            self.pending.unlink()

    def configure(self):
        if not (self.build_dir / "build.ninja").exists():
            subprocess.run(["cmake", "-S", str(self.src), "-B", str(self.build_dir)] + CONFIGURE,
                           check=True, stdout=subprocess.DEVNULL)

    def ctest_tests(self):
        """ctest's tests by name: command, environment and working directory."""
        out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=self.build_dir, check=True,
                             capture_output=True).stdout
        tests = {}
        for t in json.loads(out)["tests"]:
            props = {p["name"]: p["value"] for p in t.get("properties", [])}
            env = dict(e.split("=", 1) for e in props.get("ENVIRONMENT", []))
            tests[t["name"]] = (t.get("command"), env,
                                props.get("WORKING_DIRECTORY", str(self.build_dir)))
        return tests

    def targets_in(self, words):
        """The ninja targets of the executables in the build folder that these words name."""
        found = []
        for w in words:
            for part in w.split("="):
                p = Path(part)
                if (p.is_absolute() and self.build_dir in p.parents and p.is_file()
                        and os.access(p, os.X_OK)):
                    found.append(p.name)
        return found

    def make_runs(self, names):
        known = self.ctest_tests()
        for name in names:
            exe, _, cases = name.partition(":")
            if cases:  # some cases of a gtest executable whose tests ctest lists one by one
                hits = [p for p in self.build_dir.rglob(exe) if p.is_file()]
                if not hits:
                    raise SystemExit(f"test executable {exe} not built")
                env = next((e for n, (c, e, _) in known.items() if c and Path(c[0]).name == exe),
                           {})
                argv = [str(hits[0]), f"--gtest_filter={cases}", "--gtest_brief=1",
                        "--gtest_fail_fast"]
                self.runs[name] = TestRun(name, argv, env, str(hits[0].parent), [exe])
                continue
            if name not in known or not known[name][0]:
                raise SystemExit(f"no test {name} in {self.build_dir}")
            argv, env, cwd = known[name]
            argv = list(argv)
            if "unittest" in argv:
                argv.insert(argv.index("unittest") + 1, "-f")
            elif self.build_dir in Path(argv[0]).parents:  # a gtest executable
                argv += ["--gtest_brief=1", "--gtest_fail_fast"]
            targets = self.targets_in(argv + list(env.values())) + PROGRAMS.get(name, [])
            self.runs[name] = TestRun(name, argv, env, cwd, targets)

    def build(self, targets):
        if not targets:  # ninja would build everything
            return True
        r = subprocess.run(["ninja", "-C", str(self.build_dir), f"-j{self.jobs}"]
                           + sorted(set(targets)), stdout=self.log, stderr=subprocess.STDOUT)
        return r.returncode == 0

    def prepare(self, wanted_files, tests):
        """Synced, configured, the tests' executables built: None, or why not."""
        self.sync(wanted_files)
        self.configure()
        # The test executables first (named as their tests), so that ctest knows their commands.
        known = self.ctest_tests()
        self.log.write(b"=== baseline\n")
        if not self.build([s.partition(":")[0] for s in tests
                           if ":" in s or s in known and not known[s][0]]):
            return f"the unmutated tree does not build; see {self.log.name}"
        self.make_runs(tests)
        if not self.build(self.every_target()):
            return f"the unmutated tree does not build; see {self.log.name}"
        return None

    def every_target(self):
        return sorted({t for r in self.runs.values() for t in r.targets})

    def run_one(self, run, timeout):
        """True when the test passed; None when it ran out of time."""
        try:
            r = subprocess.run(run.argv, cwd=run.cwd, env={**os.environ, **run.env},
                               stdout=self.log, stderr=subprocess.STDOUT, timeout=timeout)
        except subprocess.TimeoutExpired:
            self.log.write(f"\n*** timeout after {timeout:.0f} s: {run.name}\n".encode())
            return None
        return r.returncode == 0

    def judge(self, names, command):
        """The verdict on the mutated scratch tree and the seconds spent building. Each test's
        executables are built just before it runs, so that a mutant the first test kills costs
        no more links."""
        building = 0.0
        if command:
            t0 = time.monotonic()
            if not self.build(self.every_target()):
                return "unbuildable", time.monotonic() - t0
            building = time.monotonic() - t0
            passed = subprocess.run(shlex.split(command), cwd=self.build_dir, stdout=self.log,
                                    stderr=subprocess.STDOUT).returncode == 0
            return ("survived" if passed else "killed"), building
        for run in (self.runs[n] for n in names):
            t0 = time.monotonic()
            built = self.build(run.targets)
            building += time.monotonic() - t0
            if not built:
                return "unbuildable", building
            if not self.run_one(run, max(MIN_TIMEOUT, SLOWDOWN * run.baseline)):
                return "killed", building
        return "survived", building

    def mutate(self, m, command):
        """Applies the mutant, judges it and restores the file: verdict, build seconds."""
        path = self.src / m.file
        original = path.read_bytes()
        mutated = check(m, self.src)
        self.log.write(f"\n=== {m.id} {m.file}\n".encode())
        self.log.flush()
        self.pending.write_text(m.file)
        try:
            path.write_text(mutated)
            return self.judge(tests_of(m.file), command)
        finally:
            path.write_bytes(original)
            self.pending.unlink()


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


def check(mutant, root):
    """The file's text under root with the mutant applied; exits on a catalogue error."""
    error = catalogue_error(mutant, root)
    if error:
        raise SystemExit(error)
    return (root / mutant.file).read_text().replace(mutant.original, mutant.replacement)


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
                    help="where each verdict is written: layer, id, verdict, seconds, "
                    "seconds of them building")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1,
                    help="workers, each with its scratch build (default: one per core)")
    ap.add_argument("--equivalent", action="store_true",
                    help="run the mutants argued equivalent too (each runs all its tests)")
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
    verdicts = {}  # id -> (verdict, seconds, seconds of them building)
    if not args.equivalent:  # argued to survive every test: not run
        verdicts.update((m.id, ("survived", 0.0, 0.0)) for m in mutants if m.equivalent)
        mutants_run = [m for m in mutants if not m.equivalent]
    else:
        mutants_run = mutants
    if mutants_run:
        outcome = run_native(mutants_run, args, verdicts)
        if outcome is not None:
            return outcome
    for mid, killed, seconds in run_firmware(firmware, args) or []:
        verdicts[mid] = ("killed" if killed else "survived", seconds, 0.0)
    everything = mutants + firmware
    for m in everything:
        if m.id in verdicts and m.equivalent and verdicts[m.id][0] == "survived":
            verdicts[m.id] = ("equivalent",) + verdicts[m.id][1:]
    return report(everything, verdicts, time.monotonic() - start, Path(args.results))


def include_weight(file, files):
    """How many sources include this file (by name), plus one: a header's mutants rebuild that
    many objects, so its group is started first."""
    name = Path(file).name
    if not name.endswith((".hpp", ".h", ".inc")):
        return 1
    needle = f'{name}"'.encode()
    return 1 + sum(needle in (ROOT / f).read_bytes() for f in files
                   if f.endswith((".cpp", ".hpp")) and (ROOT / f).is_file())


def run_native(mutants, args, verdicts):
    """Runs the C++ layers' mutants into verdicts; an exit status when it cannot."""
    WORK.mkdir(exist_ok=True)
    lock = open(WORK / "lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        raise SystemExit(f"another mutation run is using {WORK}")
    files = source_files()
    for m in mutants:  # every catalogue entry must apply before anything is built
        check(m, ROOT)
    groups = {}
    for m in mutants:
        groups.setdefault(m.file, []).append(m)
    count = max(1, min(args.jobs, len(groups)))
    workers = [Scratch(i, 1 if count > 1 else os.cpu_count() or 1) for i in range(count)]
    wanted = sorted({t for m in mutants for t in tests_of(m.file)})
    t0 = time.monotonic()
    errors = [None] * count

    def prepare(i):
        errors[i] = workers[i].prepare(set(files), wanted)
    threads = [threading.Thread(target=prepare, args=(i,)) for i in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if any(errors):
        print(next(e for e in errors if e))
        return 1
    first = workers[0]
    for run in first.runs.values():  # timed on one worker while the others wait
        t1 = time.monotonic()
        if args.test is None and not first.run_one(run, None):
            print(f"the unmutated tree fails {run.name}; see {first.log.name}")
            return 1
        run.baseline = time.monotonic() - t1
    for w in workers[1:]:
        for name, run in w.runs.items():
            run.baseline = first.runs[name].baseline
    print(f"baseline built and passed in {time.monotonic() - t0:.0f} s by {count} worker(s): " +
          ", ".join(f"{r.name} {r.baseline:.1f} s" for r in first.runs.values()), flush=True)

    weight = {f: include_weight(f, files) for f in groups}
    queue = sorted(groups, key=lambda f: (-weight[f] * len(groups[f]), f))
    taking = threading.Lock()
    failure = []

    def work(w):
        try:
            while True:
                with taking:
                    if not queue or failure:
                        return
                    file = queue.pop(0)
                for m in groups[file]:
                    if failure:
                        return
                    t1 = time.monotonic()
                    verdict, building = w.mutate(m, args.test)
                    seconds = time.monotonic() - t1
                    with taking:
                        verdicts[m.id] = (verdict, seconds, building)
                        print(f"{verdict:11} {m.id:24} {m.file:28} {seconds:5.1f} s "
                              f"({building:4.1f} build)  {m.reason}", flush=True)
        except BaseException as e:  # a catalogue error or an interrupt ends every worker
            with taking:
                failure.append(e)
        finally:
            w.build(w.every_target())  # leave the scratch build matching the tree
    threads = [threading.Thread(target=work, args=(w,)) for w in workers]
    for t in threads:
        t.start()
    try:
        for t in threads:
            t.join()
    except KeyboardInterrupt:  # the workers end their mutant (its tests were interrupted too)
        failure.append(KeyboardInterrupt())
        for t in threads:
            t.join()
    if failure:
        raise failure[0]
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
            rows += [f"{m.layer}\t{m.id}\t{verdicts[m.id][0]}\t{verdicts[m.id][1]:.1f}\t"
                     f"{verdicts[m.id][2]:.1f}"
                     for m in mine]
    print(f"{elapsed:.0f} s in all")
    results.parent.mkdir(parents=True, exist_ok=True)
    results.write_text("\n".join(rows) + "\n")
    for m in survivors:
        print(f"  survivor {m.id}: {m.file}: {m.original!r} -> {m.replacement!r}")
    if unbuildable:
        print(f"  unbuildable mutants are catalogue errors; see {WORK}/w*/mutation.log")
    return 1 if survivors or unbuildable else 0


if __name__ == "__main__":
    sys.exit(main())
