"""The bundled firmware's coverage by its tests (tests/firmware, which write a tracefile per run
into DIR/runs when KV74_COVERAGE_DIR is set).

  firmware_coverage.py clean DIR    empties DIR/runs (before the firmware tests)
  firmware_coverage.py report DIR   merges the runs with lcov -a into DIR/firmware.info, renders
                                    DIR/html with genhtml, prints the line and branch coverage and
                                    fails when either is more than one point below the figure in
                                    firmware_minimum.txt
"""
import glob
import os
import re
import shutil
import subprocess
import sys

MINIMUM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "firmware_minimum.txt")


def summary(tracefile):
    out = subprocess.run(["lcov", "--summary", tracefile, "--rc", "lcov_branch_coverage=1"],
                         capture_output=True, text=True, check=True)
    text = out.stdout + out.stderr
    return {kind: float(re.search(kind + r"\.*: ([0-9.]+)%", text).group(1))
            for kind in ("lines", "branches")}


def report(folder):
    runs = sorted(glob.glob(os.path.join(folder, "runs", "*.info")))
    if not runs:
        sys.exit("no tracefiles in %s/runs: run the firmware tests first" % folder)
    merged = os.path.join(folder, "firmware.info")
    args = ["lcov", "-q", "--rc", "lcov_branch_coverage=1", "-o", merged]
    for run in runs:
        args += ["-a", run]
    subprocess.run(args, check=True)
    subprocess.run(["genhtml", "-q", "--branch-coverage", "-o", os.path.join(folder, "html"),
                    merged], check=True)
    measured = summary(merged)
    with open(MINIMUM) as f:
        minimum = {k: float(v) for k, v in (line.split() for line in f if line.strip()
                                           and not line.startswith("#"))}
    print("firmware coverage of %d runs: lines %.1f %%, branches %.1f %% (%s)" %
          (len(runs), measured["lines"], measured["branches"], os.path.join(folder, "html")))
    low = [k for k in minimum if measured[k] < minimum[k] - 1]
    if low:
        sys.exit("coverage dropped below the measured figure minus one point: " +
                 ", ".join("%s %.1f %% < %.1f %%" % (k, measured[k], minimum[k] - 1) for k in low))


if __name__ == "__main__":
    if sys.argv[1] == "clean":
        shutil.rmtree(os.path.join(sys.argv[2], "runs"), ignore_errors=True)
        os.makedirs(os.path.join(sys.argv[2], "runs"))
    else:
        report(sys.argv[2])
