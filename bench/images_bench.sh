#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Image Recovery's speed and memory, in one run, printed as a table:
#   - kwrecover images on a page-cached file of random bytes with 2,000 JPEG and
#     2,000 PNG pictures inserted, against cat and against foremost (JPEG and
#     PNG) on the same file; its peak memory; the longest gap between yields;
#   - peak memory on a file packed with PNG marker pairs;
#   - one extraction (the wizard's SaveImages) of a 20 MiB picture against cp.
#
#   bench/images_bench.sh [BUILD_DIR] [MIB]      (defaults: build, 1024)
# The data is made once in ${TMPDIR:-/tmp}/kw-images-bench and kept. Every
# program runs through bench/timing.py: pinned to one CPU (KW_BENCH_CPU, 0
# by default), ratios of user+sys CPU time, best of three (foremost once).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-1024}"
work="${TMPDIR:-/tmp}/kw-images-bench"
mkdir -p "$work"
mixed="$work/mixed-$mib.bin"
single="$work/single-20.bin"
dense="$work/dense-64.bin"
[ -f "$mixed" ] || python3 bench/make_pictures_file.py mixed "$mixed" "$mib" 2000 2000
[ -f "$single" ] || python3 bench/make_pictures_file.py single "$single" 20
[ -f "$dense" ] || python3 bench/make_pictures_file.py dense "$dense" 64
command -v foremost > /dev/null || { echo "foremost is missing: run bench/setup.sh" >&2; exit 1; }

python3 - "$build" "$mixed" "$single" "$dense" "$work" "$mib" <<'PY'
import os, shutil, subprocess, sys, tempfile
sys.path.insert(0, "bench")
from timing import measure

build, mixed, single, dense, work, mib = sys.argv[1:7]
kw = os.path.join(build, "cli", "kwrecover")
probe = os.path.join(build, "bench", "kw_images_probe")
env = dict(os.environ, TMPDIR=work)

subprocess.run(["cat", mixed], stdout=subprocess.DEVNULL)  # page-cache the data
subprocess.run(["cat", single], stdout=subprocess.DEVNULL)
cat = measure(["cat", mixed])
images = measure([kw, "images", mixed], env=env, capture=True)
found = images.stdout.decode().splitlines()[-1]
gap = measure([probe, "scan", mixed], runs=1, env=env, capture=True).stdout.decode()
gap_ms = float(gap.split("longest_gap_ms=")[1].split()[0])

out_dir = os.path.join(work, "foremost")
shutil.rmtree(out_dir, ignore_errors=True)  # foremost wants to make it
foremost = measure(["foremost", "-Q", "-t", "jpg,png", "-i", mixed, "-o", out_dir], runs=1, check=True)
foremost_files = sum(len(files) for _, _, files in os.walk(out_dir)) - 1  # less audit.txt
shutil.rmtree(out_dir, ignore_errors=True)

dense_run = measure([kw, "images", dense], runs=1, env=env)

# One click of the wizard's SaveImages against cp, five runs each; every
# copy goes before the next run.
copies = tempfile.mkdtemp(dir=work)
def clear():
    for name in os.listdir(copies):
        os.remove(os.path.join(copies, name))
size = os.path.getsize(single)
save = measure([probe, "save", single, "1", str(size)], runs=5, before=clear, check=True,
               env=dict(env, TMPDIR=copies))
cp = measure(["cp", single, os.path.join(copies, "copy.bin")], runs=5, before=clear, check=True)
shutil.rmtree(copies, ignore_errors=True)

ok = lambda c: "yes" if c else "NO"
t_cat, t_kw, t_foremost, t_save, t_cp = cat.cpu, images.cpu, foremost.cpu, save.cpu, cp.cpu
peak, peak_dense = images.peak_kib / 1024, dense_run.peak_kib / 1024
print(f"| measure ({mib} MiB random, 2,000 JPEG + 2,000 PNG; CPU time, pinned) | value | target | ok |")
print("|---|---|---|---|")
print(f"| cat > /dev/null | {t_cat:.3f} s | | |")
print(f"| kwrecover images / cat | {t_kw / t_cat:.2f}x ({t_kw:.3f} s; {found}) | <= 3x | {ok(t_kw <= 3 * t_cat)} |")
print(f"| foremost -t jpg,png / kwrecover images | {t_foremost / t_kw:.1f}x faster (foremost {t_foremost:.2f} s, {foremost_files} files) | >= 6x | {ok(t_foremost >= 6 * t_kw)} |")
print(f"| peak memory, kwrecover images | {peak:.1f} MiB | < 64 MiB | {ok(peak < 64)} |")
print(f"| peak memory, 64 MiB packed with PNG marker pairs | {peak_dense:.1f} MiB ({dense_run.cpu:.2f} s) | < 64 MiB | {ok(peak_dense < 64)} |")
print(f"| longest gap between yields (scan) | {gap_ms:.1f} ms | < 50 ms | {ok(gap_ms < 50)} |")
print(f"| SaveImages of a 20 MiB picture / cp | {t_save / t_cp:.2f}x ({t_save * 1000:.1f} ms vs {t_cp * 1000:.1f} ms) | <= 3x | {ok(t_save <= 3 * t_cp)} |")
PY
