#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Time and memory bounds of every job on the worst inputs we can build, in
# one run, printed as one table:
#   - quick, salvage and images on 64 MiB binary inputs, the .docx job on
#     packages whose main document is 64 MiB of hostile XML and on a small
#     package that inflates past the entry limit: CPU time against cat of
#     the same input (bound: 10x) and peak memory against 64 MiB plus the
#     recovered text; Deep Recovery on a package of 200,000 entries of one
#     name that its central directory's records all disagree with;
#   - XML where a "<" is left open before the next "<", so that tags merge:
#     the tag-removal rounds on growing inputs (bound: 1 MiB under 1 s, about
#     2x per doubling), with the longest gap between yields;
#   - Deep Recovery and the paths that must stream, on the worst inputs of
#     bench/make_worst_inputs.py at MIB MiB (a package of damaged entries
#     at 100 MB): CPU time and peak memory against 64 MiB plus the text plus
#     the largest picture (bench/bounds_runs.py; bench/bounds_bench.sh shows
#     their growth with the input's size).
#
#   bench/hardening_bench.sh [BUILD_DIR] [MIB]      (defaults: build, 64)
# The inputs are made once in ${TMPDIR:-/tmp}/kw-hardening-bench and kept.
# Every run goes through bench/timing.py (pinned to KW_BENCH_CPU, 0 by
# default; user+sys CPU time, cat's the least of three).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-64}"
work="${TMPDIR:-/tmp}/kw-hardening-bench"
python3 bench/make_hostile_inputs.py "$work" "$mib"

python3 - "$build" "$work" <<'PY'
import os, shutil, struct, subprocess, sys, zlib
sys.path.insert(0, "bench")
from timing import measure

build, work = sys.argv[1:3]
kw = os.path.join(build, "cli", "kwrecover")
gap_probe = os.path.join(build, "bench", "kw_yield_gap")
scratch = os.path.join(work, "scratch")
out = os.path.join(scratch, "out.txt")
MiB = 1 << 20

def fresh_scratch():
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)

env = dict(os.environ, TMPDIR=scratch)

def t_cat(path):
    subprocess.run(["cat", path], stdout=subprocess.DEVNULL, check=True)  # page-cache it
    return max(measure(["cat", path]).cpu, 1e-3)

def run(job, path):
    """CPU seconds, peak MiB, recovered-text MiB and exit status of one job."""
    fresh_scratch()
    if job == "images":
        cmd = [kw, "images", path]
        sink = open(out, "wb")
    else:
        cmd = [kw, {"quick": "quick", "docx": "quick", "deep": "deep"}.get(job, "salvage"), path, "-o", out]
        sink = subprocess.DEVNULL
    r = measure(cmd, runs=1, stdout=sink, env=env)
    if sink is not subprocess.DEVNULL:
        sink.close()
    text = os.path.getsize(out) / MiB if os.path.exists(out) and job != "images" else 0.0
    return r.cpu, r.peak_kib / 1024, text, r.code

print("| input | job | CPU | cat CPU | ratio (<= 10x) | peak MiB | text MiB | bound MiB | ok |")
print("|---|---|---|---|---|---|---|---|---|")
binaries = ["zeros.bin", "percent.bin", "spaces.bin", "jpeg-starts.bin", "png-starts.bin", "jpeg-pairs.bin",
            "png-pairs.bin", "ends-first.bin", "random.bin"]
packages = ["one-tag.docx", "distinct-tags.docx", "only-lt.docx", "only-gt.docx", "paragraphs.docx", "text.docx",
            "bomb.docx", "same-names.docx", "numbered.docx"]
broken = []
for name in binaries + packages:
    path = os.path.join(work, name)
    cat = t_cat(path)
    jobs = ["quick", "salvage", "images"] if not name.endswith(".docx") else ["docx"]
    for job in (["deep"] if name in ("same-names.docx", "numbered.docx") else jobs):
        elapsed, peak, text, code = run(job, path)
        bound = 64 + text
        ok = elapsed <= 10 * cat and peak < bound and code == 0
        if not ok:
            broken.append(f"{name} {job}")
        size = os.path.getsize(path) / MiB
        print(f"| {name} ({size:.0f} MiB) | {job} | {elapsed:.3f} s | {cat:.4f} s | {elapsed / cat:.1f}x | "
              f"{peak:.1f} | {text:.1f} | {bound:.1f} | {'yes' if ok else 'NO'} |")

# A "<" left open, then distinct tags: every round of the loop removes one
# tag text, which the literal loop did by rewriting the whole document.
def stored(xml):
    name = b"word/document.xml"
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0, zlib.crc32(xml), len(xml), len(xml),
                       len(name), 0) + name + xml

def open_then_distinct(n):
    xml, k = bytearray(b"<"), 0
    while len(xml) < n:
        xml += b"<%x>" % k
        k += 1
    return bytes(xml[:n])

print()
print("| open \"<\" then distinct tags | CPU | growth vs half the size | longest gap between yields | ok |")
print("|---|---|---|---|---|")
previous = None
for kib in (256, 512, 1024, 2048, 4096):
    path = os.path.join(work, f"open-lt-{kib}.docx")
    with open(path, "wb") as f:
        f.write(stored(open_then_distinct(kib << 10)))
    elapsed, peak, text, code = run("docx", path)
    gap = "n/a"
    if os.path.exists(gap_probe):
        probe = measure([gap_probe, "quick", path], runs=1, capture=True, env=env).stdout.decode()
        if "longest_gap_ms=" in probe:
            gap = probe.split("longest_gap_ms=")[1].split()[0] + " ms"
    growth = f"{elapsed / previous:.1f}x" if previous else ""
    previous = elapsed
    ok = kib != 1024 or elapsed < 1.0
    if not ok:
        broken.append("open-lt 1 MiB")
    print(f"| {kib} KiB | {elapsed:.2f} s | {growth} | {gap} | {'yes' if ok else 'NO'} |")
shutil.rmtree(scratch, ignore_errors=True)
print()
print("bounds broken: " + (", ".join(broken) if broken else "none"))
PY
echo
python3 bench/bounds_runs.py worst "$build" "$work/bounds" "$mib"
