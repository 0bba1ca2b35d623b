#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The .docx text on the hardening benchmark's pathological packages (64 MiB
# of hostile XML in one stored main document, and a small package that
# inflates past the entry limit), in both .docx modes: quick (the text pass
# of formats/docx/text/document_stream.h) and deep (word_xml_stream.cpp). For
# each, through bench/timing.py (pinned to KW_BENCH_CPU, 0 by default; best
# of three), the CPU time (user + system) against cat's of the same file
# (bound: 10x; the bomb, whose few MiB inflate to the 1 GiB limit, has no
# such bound), the wall time of those runs beside it, and the peak resident
# memory against 64 MiB plus the text written (bound), printed as one table.
#
#   bench/docx_stream_bench.sh [BUILD_DIR] [MIB]      (defaults: build, 64)
# The inputs are made once in ${TMPDIR:-/tmp}/kw-docx-stream-bench and kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-64}"
work="${TMPDIR:-/tmp}/kw-docx-stream-bench"
python3 bench/make_hostile_inputs.py "$work" "$mib"

python3 - "$build" "$work" <<'PY'
import os, shutil, subprocess, sys
sys.path.insert(0, "bench")
from timing import measure

build, work = sys.argv[1:3]
kw = os.path.join(build, "cli", "kwrecover")
scratch = os.path.join(work, "scratch")
out = os.path.join(scratch, "out.txt")
MiB = 1 << 20
env = dict(os.environ, TMPDIR=scratch)

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
    cat = measure(["cat", path], check=True)
    cat_cpu = max(cat.cpu, 1e-3)
    for mode in ("quick", "deep"):
        fresh()
        r = measure([kw, mode, path, "-o", out], env=env)
        elapsed, used, peak = r.wall, r.cpu, r.peak_kib / 1024
        text = os.path.getsize(out) / MiB if os.path.exists(out) else 0.0
        bound = 64 + text
        ok = (used <= 10 * cat_cpu or name == "bomb.docx") and peak <= bound and r.code == 0
        if not ok:
            broken.append(f"{name} {mode}")
        size = os.path.getsize(path) / MiB
        print(f"| {name} ({size:.0f} MiB) | {mode} | {elapsed:.3f} s | {cat.wall:.4f} s | {elapsed / cat.wall:.1f}x | "
              f"{used:.3f} s | {cat_cpu:.3f} s | {used / cat_cpu:.1f}x | {peak:.1f} | {text:.1f} | {bound:.1f} | {'yes' if ok else 'NO'} |")
shutil.rmtree(scratch, ignore_errors=True)
print()
print("bounds broken: " + (", ".join(broken) if broken else "none"))
PY
