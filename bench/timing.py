# SPDX-License-Identifier: Apache-2.0
"""The one timing harness of the benches: every program a bench times runs here.

measure(cmd) runs a command RUNS times pinned to one CPU and gives back the
run of least CPU time (user + system, in microseconds from the kernel's
accounting of that process, not the hundredths of /usr/bin/time), the wall
time of that run, and the highest peak resident memory of all runs.

Why so: the machine is shared and its two virtual CPUs need not be equally
fast (one has at times taken 1.8 times as long as the other for the same
work), so both sides of a ratio run on the same CPU, and CPU time, which
other load moves little, is the figure a ratio is taken from; the least of
a few runs leaves out the runs some other process disturbed.

From Python (the bench scripts run from the repository's top folder):
    sys.path.insert(0, "bench"); from timing import measure
    t = measure([kw, "quick", path], runs=3)      # t.cpu, t.wall, t.peak_kib
From a shell script (bench/timing.sh wraps it):
    python3 bench/timing.py [--runs N] [--cpu LIST] [--out FILE] -- CMD...
prints "CPU WALL PEAK_KIB" (seconds, seconds, KiB); with --out - the
command's own output comes first and that line goes to standard error.

KW_BENCH_CPU names the CPU (or list of CPUs, "0,1") to pin to, 0 by default.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass


def bench_cpus(spec=None):
    """The CPUs named by `spec` ("0", "0,1", "0-1"), else by KW_BENCH_CPU, else CPU 0."""
    spec = spec if spec is not None else os.environ.get("KW_BENCH_CPU", "0")
    cpus = set()
    for part in str(spec).split(","):
        first, _, last = part.partition("-")
        cpus.update(range(int(first), int(last or first) + 1))
    return cpus


@dataclass
class Timing:
    cpu: float  # least user + system seconds of the runs
    wall: float  # wall seconds of that run
    peak_kib: int  # highest peak resident memory of the runs, KiB
    code: int  # exit status of that run
    stdout: bytes = b""  # what that run wrote, when asked to capture it


def run_once(cmd, cpus=None, stdout=None, stderr=subprocess.DEVNULL, env=None, capture=False):
    """One run, pinned; a Timing of it.

    The command runs under /usr/bin/time, which gives its peak memory: the
    kernel counts into a process's peak the memory of the process it was
    forked from, which for a child of Python is Python's, for one of time a
    megabyte. Its CPU time comes from the kernel's accounting of time and
    the command together (time's own share is a fraction of a millisecond)."""
    cpus = bench_cpus() if cpus is None else cpus
    out = subprocess.PIPE if capture else (stdout if stdout is not None else subprocess.DEVNULL)
    with tempfile.NamedTemporaryFile("r", prefix="kw-timing-") as peak:
        start = time.perf_counter()
        proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name, *cmd], stdout=out, stderr=stderr,
                                env=env, preexec_fn=lambda: os.sched_setaffinity(0, cpus))
        captured = proc.stdout.read() if capture else b""
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        if capture:
            proc.stdout.close()
        lines = peak.read().split()
    peak_kib = int(lines[-1]) if lines and lines[-1].isdigit() else 0
    return Timing(usage.ru_utime + usage.ru_stime, wall, peak_kib, proc.returncode, captured)


def measure(cmd, runs=3, cpus=None, before=None, check=False, **kwargs):
    """The run of least CPU time out of `runs`, with the highest peak memory of all.

    `before` is called before each run (to clear an output folder, say);
    `check` raises when a run fails. Other arguments go to run_once."""
    best, peak = None, 0
    for _ in range(runs):
        if before:
            before()
        t = run_once(cmd, cpus, **kwargs)
        if check and t.code != 0:
            raise subprocess.CalledProcessError(t.code, cmd)
        peak = max(peak, t.peak_kib)
        if best is None or t.cpu < best.cpu:
            best = t
    best.peak_kib = peak
    return best


def main():
    parser = argparse.ArgumentParser(description="CPU time, wall time and peak memory of a command, pinned.")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--cpu", default=None, help="CPU list to pin to (default: KW_BENCH_CPU, else 0)")
    parser.add_argument("--out", default=None,
                        help="the command's standard output goes here, '-' for ours (default: nowhere)")
    parser.add_argument("cmd", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    cmd = args.cmd[1:] if args.cmd[:1] == ["--"] else args.cmd
    if not cmd:
        parser.error("no command given")
    sink = open(args.out, "wb") if args.out and args.out != "-" else None
    try:
        rewind = (lambda: (sink.seek(0), sink.truncate())) if sink else None
        t = measure(cmd, runs=args.runs, cpus=bench_cpus(args.cpu), stdout=sys.stdout if args.out == "-" else sink,
                    before=rewind)
    finally:
        if sink:
            sink.close()
    print(f"{t.cpu:.4f} {t.wall:.4f} {t.peak_kib}", file=sys.stderr if args.out == "-" else sys.stdout)
    return 0 if t.code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
