#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Runs kwrecover on the worst inputs of bench/make_worst_inputs.py and
prints time and peak memory against their bounds, for the hardening bench
and the growth bench.

    bench/bounds_runs.py worst  BUILD WORK MIB     one table at MIB MiB (the
                                                   damaged entries at 100 MB)
    bench/bounds_runs.py growth BUILD WORK SIZE... time and peak against size

Every job runs once through bench/timing.py, pinned to CPU 0 (KW_BENCH_CPU):
time is user + system CPU, which the other work on the machine disturbs least.
Bounds: peak memory under 64 MiB plus the text plus the largest picture;
time linear in the input (0.1 s of CPU per MiB of content at most; the
growth table: about 4x per 4x input) and a few seconds (6 s) for a package
of up to 100 MB (the damaged entries; the pictures that inflate far).
"""
import os
import shutil
import subprocess
import sys

MiB = 1 << 20
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from timing import run_once  # noqa: E402

# (input, job, with --pictures, largest picture in MiB, issue item, MiB of
# content per MiB asked for: the deflated documents hold twice that of XML)
PATHS = [
    ("dir-entries.doc", "deep", False, 0, 6, 1),
    ("dir-entries-scanned.doc", "deep", False, 0, 6, 1),
    ("lost-table.doc", "deep", False, 0, 6, 1),
    ("pictures.docx", "deep", True, 1, 7, 1),
    ("xml-merged.docx", "quick", False, 0, 8, 2),
    ("xml-merged.docx", "salvage", False, 0, 8, 2),
    ("xml-comment.docx", "quick", False, 0, 8, 1),
    ("xml-distinct-merged.docx", "quick", False, 0, 8, 1),
    ("xml-big.docx", "quick", False, 0, 8, 2),
    ("fat-every-sector.doc", "deep", False, 0, 9, 1),
    ("rtf.doc", "deep", False, 0, 9, 1),
    ("pieces.doc", "deep", False, 0, 9, 1),
    ("damaged-entries.docx", "deep", False, 0, 10, 1),
    ("unknown-marks.docx", "deep", False, 0, 10, 1),
]
SECONDS_PER_MIB = 0.1  # linear: well under this per MiB of content
PACKAGE_SECONDS = 6.0  # a few seconds for any package up to 100 MB


def make(work, mib, names):
    folder = os.path.join(work, "%g" % mib)
    subprocess.run([sys.executable, os.path.join(HERE, "make_worst_inputs.py"), folder, str(mib), *names], check=True)
    return folder


def measure(build, job, path, pictures, scratch, extra=()):
    """CPU seconds, peak MiB, text MiB and exit status of one job."""
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    out = os.path.join(scratch, "out.txt")
    kw = os.path.join(build, "cli", "kwrecover")
    cmd = [kw, job, *extra, path, "-o", out] if job != "batch" else [kw, job, *extra]
    if pictures and job != "batch":
        cmd += ["--pictures", os.path.join(scratch, "pictures")]
    t = run_once(cmd, env=dict(os.environ, TMPDIR=scratch))
    text = os.path.getsize(out) / MiB if os.path.exists(out) else 0.0
    return t.cpu, t.peak_kib / 1024, text, t.code


def worst(build, work, mib):
    scratch = os.path.join(work, "scratch")
    folder = make(work, mib, sorted({p[0] for p in PATHS} | {"picture-bombs.docx"}))
    big = make(work, 100, ["damaged-entries.docx"])
    print("| item | input | job | CPU time | time bound | peak MiB | text MiB | bound MiB | ok |")
    print("|---|---|---|---|---|---|---|---|---|")
    broken = []
    rows = [(p, folder) for p in PATHS if p[0] != "damaged-entries.docx"]
    rows.append((("picture-bombs.docx", "deep", False, 256, 7, 0), folder))
    rows.append((("picture-bombs.docx", "deep", True, 256, 7, 0), folder))
    rows.append((("damaged-entries.docx", "deep", False, 0, 10, 0), big))
    for (name, job, pictures, largest, item, scale), where in rows:
        path = os.path.join(where, name)
        seconds, peak, text, code = measure(build, job, path, pictures, scratch)
        size = os.path.getsize(path) / MiB
        limit = SECONDS_PER_MIB * mib * scale if scale else PACKAGE_SECONDS
        bound = 64 + text + largest
        ok = peak < bound and seconds <= limit and code == 0
        if not ok:
            broken.append(f"{name} {job}")
        label = f"{job} --pictures" if pictures else job
        print(f"| {item} | {name} ({size:.0f} MiB) | {label} | {seconds:.2f} s | {limit:.1f} s | {peak:.1f} | "
              f"{text:.1f} | {bound:.1f} | {'yes' if ok else 'NO'} |")
    # A batch of packages whose pictures inflate far, on more workers than
    # the machine has: what all jobs hold together.
    inputs = os.path.join(work, "batch-in")
    shutil.rmtree(inputs, ignore_errors=True)
    os.makedirs(inputs)
    for k in range(4):
        os.link(os.path.join(folder, "picture-bombs.docx"), os.path.join(inputs, f"bombs{k}.docx"))
    outdir = os.path.join(scratch + "-batch", "out")
    seconds, peak, _, code = measure(build, "batch", "", False, scratch + "-batch",
                                     [inputs, "--out", outdir, "--mode", "deep", "--jobs", "8", "--pictures"])
    ok = peak < 64 and code == 0
    if not ok:
        broken.append("batch")
    print(f"| 7 | batch --jobs 8 --pictures, 4 x picture-bombs.docx | deep | {seconds:.2f} s | | {peak:.1f} | | "
          f"64.0 | {'yes' if ok else 'NO'} |")
    # Eight large files on eight workers: they take the memory budget in turn.
    shutil.rmtree(inputs, ignore_errors=True)
    os.makedirs(inputs)
    for k in range(8):
        os.link(os.path.join(folder, "rtf.doc"), os.path.join(inputs, f"rtf{k}.doc"))
    seconds, peak, _, code = measure(build, "batch", "", False, scratch + "-batch",
                                     [inputs, "--out", outdir, "--mode", "deep", "--jobs", "8"])
    ok = peak < 1024 and code == 0
    if not ok:
        broken.append("batch of large files")
    print(f"| 7 | batch --jobs 8, 8 x rtf.doc ({mib} MiB) | deep | {seconds:.2f} s | | {peak:.1f} | | "
          f"1024.0 (the jobs' budget) | {'yes' if ok else 'NO'} |")
    shutil.rmtree(scratch, ignore_errors=True)
    shutil.rmtree(scratch + "-batch", ignore_errors=True)
    return broken


def growth(build, work, sizes):
    scratch = os.path.join(work, "scratch")
    folders = {mib: make(work, mib, sorted({p[0] for p in PATHS})) for mib in sizes}
    head = " | ".join(f"{mib} MiB: CPU, peak" for mib in sizes)
    print(f"| item | input | job | {head} | growth per size step (time) | peak vs bound at {sizes[-1]} MiB |")
    print("|---|---|---|" + "---|" * len(sizes) + "---|---|")
    for name, job, pictures, largest, item, _ in PATHS:
        cells, steps, last = [], [], None
        for mib in sizes:
            seconds, peak, text, _ = measure(build, job, os.path.join(folders[mib], name), pictures, scratch)
            cells.append(f"{seconds:.2f} s, {peak:.0f} MiB")
            if last is not None:
                steps.append(f"{seconds / last:.1f}x" if last >= 0.005 else "-")
            last = seconds
        label = f"{job} --pictures" if pictures else job
        print(f"| {item} | {name} | {label} | " + " | ".join(cells) + f" | {', '.join(steps)} | "
              f"{peak:.0f} / {64 + text + largest:.0f} MiB |")
    shutil.rmtree(scratch, ignore_errors=True)


def main():
    mode, build, work = sys.argv[1:4]
    if mode == "worst":
        broken = worst(build, work, int(sys.argv[4]))
        print()
        print("bounds broken: " + (", ".join(broken) if broken else "none"))
    else:
        growth(build, work, [int(s) for s in sys.argv[4:]])


if __name__ == "__main__":
    main()
