#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The .docx text on the hardening benchmark's pathological packages (64 MiB
# of hostile XML in one stored main document, and a small package that
# inflates past the entry limit), in both .docx modes: quick (the text pass
# of formats/docx/text/document_stream.h) and deep (word_xml_stream.cpp). For
# each, the best of three CPU times (user + system) against the best of
# three cats of the same file (bound: 10x; the bomb, whose few MiB inflate
# to the 1 GiB limit, has no such bound), the same for elapsed time, and the
# peak resident memory of one run against 64 MiB plus the text written
# (bound), printed as one table. Every run is pinned to CPU 0 (taskset), as
# the CPUs of a virtual machine may differ in speed.
#
#   bench/docx_stream_bench.sh [BUILD_DIR] [MIB]      (defaults: build, 64)
# The inputs are made once in ${TMPDIR:-/tmp}/kw-docx-stream-bench and kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-64}"
work="${TMPDIR:-/tmp}/kw-docx-stream-bench"
python3 bench/hardening_make_inputs.py "$work" "$mib"

python3 - "$build" "$work" <<'PY'
import os, resource, shutil, subprocess, sys, time

build, work = sys.argv[1:3]
kw = os.path.join(build, "cli", "kwrecover")
scratch = os.path.join(work, "scratch")
out = os.path.join(scratch, "out.txt")
MiB = 1 << 20
env = dict(os.environ, TMPDIR=scratch)

pin = ["taskset", "-c", "0"] if shutil.which("taskset") else []

def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

def best(cmd, **kw_args):
    """Best elapsed and best CPU seconds of three runs."""
    walls, cpus = [], []
    for _ in range(3):
        start, used = time.perf_counter(), cpu()
        subprocess.run(pin + cmd, check=True, **kw_args)
        walls.append(time.perf_counter() - start)
        cpus.append(cpu() - used)
    return min(walls), min(cpus)

def fresh():
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)

print("| input | mode | time | cat | ratio | CPU | cat CPU | CPU ratio (<= 10x) | peak MiB | text MiB | bound MiB | ok |")
print("|---|---|---|---|---|---|---|---|---|---|---|---|")
broken = []
for name in ["one-tag.docx", "distinct-tags.docx", "only-lt.docx", "only-gt.docx", "paragraphs.docx", "text.docx",
             "bomb.docx"]:
    path = os.path.join(work, name)
    subprocess.run(["cat", path], stdout=subprocess.DEVNULL, check=True)  # page-cache it
    cat, cat_cpu = best(["cat", path], stdout=subprocess.DEVNULL)
    cat_cpu = max(cat_cpu, 1e-3)
    for mode in ("quick", "deep"):
        fresh()
        cmd = [kw, mode, path, "-o", out]
        elapsed, used = best(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        r = subprocess.run([*pin, "/usr/bin/time", "-f", "%M", *cmd], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                           env=env, text=True)
        peak = int(r.stderr.strip().splitlines()[-1]) / 1024
        text = os.path.getsize(out) / MiB if os.path.exists(out) else 0.0
        bound = 64 + text
        ok = (used <= 10 * cat_cpu or name == "bomb.docx") and peak <= bound and r.returncode == 0
        if not ok:
            broken.append(f"{name} {mode}")
        size = os.path.getsize(path) / MiB
        print(f"| {name} ({size:.0f} MiB) | {mode} | {elapsed:.3f} s | {cat:.4f} s | {elapsed / cat:.1f}x | "
              f"{used:.3f} s | {cat_cpu:.3f} s | {used / cat_cpu:.1f}x | {peak:.1f} | {text:.1f} | {bound:.1f} | {'yes' if ok else 'NO'} |")
shutil.rmtree(scratch, ignore_errors=True)
print()
print("bounds broken: " + (", ".join(broken) if broken else "none"))
PY
