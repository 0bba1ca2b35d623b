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
# program runs pinned to CPU 0: the CPUs of a virtual machine need not be
# equally fast, and a ratio means something only when both sides share one.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-1024}"
work="${TMPDIR:-/tmp}/kw-images-bench"
mkdir -p "$work"
mixed="$work/mixed-$mib.bin"
single="$work/single-20.bin"
dense="$work/dense-64.bin"
[ -f "$mixed" ] || python3 bench/make_images_file.py mixed "$mixed" "$mib" 2000 2000
[ -f "$single" ] || python3 bench/make_images_file.py single "$single" 20
[ -f "$dense" ] || python3 bench/make_images_file.py dense "$dense" 64
command -v foremost > /dev/null || { echo "foremost is missing: run bench/images_setup.sh" >&2; exit 1; }

taskset -c 0 python3 - "$build" "$mixed" "$single" "$dense" "$work" "$mib" <<'PY'
import os, shutil, subprocess, sys, tempfile, time

build, mixed, single, dense, work, mib = sys.argv[1:7]
kw = os.path.join(build, "cli", "kwrecover")
probe = os.path.join(build, "bench", "kw_images_probe")
env = dict(os.environ, TMPDIR=work)
quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)

def best(cmd, runs=3, before=None):
    times = []
    for _ in range(runs):
        if before:
            before()
        start = time.perf_counter()
        subprocess.run(cmd, check=True, **quiet)
        times.append(time.perf_counter() - start)
    return min(times)

def peak_mib(cmd):
    out = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True, env=env, check=True).stderr
    return int(out.strip().splitlines()[-1]) / 1024

subprocess.run(["cat", mixed], **quiet)  # page-cache the data
subprocess.run(["cat", single], **quiet)
t_cat = best(["cat", mixed])
t_kw = best([kw, "images", mixed])
found = subprocess.run([kw, "images", mixed], capture_output=True, text=True, env=env).stdout.splitlines()[-1]
peak = peak_mib([kw, "images", mixed])
gap = subprocess.run([probe, "scan", mixed], capture_output=True, text=True, env=env).stdout
gap_ms = float(gap.split("longest_gap_ms=")[1].split()[0])

def fresh_dir():
    global out_dir
    if out_dir:
        shutil.rmtree(out_dir, ignore_errors=True)
    out_dir = tempfile.mkdtemp(dir=work)
    os.rmdir(out_dir)  # foremost wants to make it
out_dir = None
fresh_dir()
start = time.perf_counter()
subprocess.run(["foremost", "-Q", "-t", "jpg,png", "-i", mixed, "-o", out_dir], check=True, **quiet)
t_foremost = time.perf_counter() - start
foremost_files = sum(len(files) for _, _, files in os.walk(out_dir)) - 1  # less audit.txt
shutil.rmtree(out_dir, ignore_errors=True)

t_dense = best([kw, "images", dense], runs=1)
peak_dense = peak_mib([kw, "images", dense])

size = os.path.getsize(single)
def save_once():
    out = subprocess.run([probe, "save", single, "1", str(size)], capture_output=True, text=True, env=env, check=True)
    os.remove(out.stdout.strip())
def timed(fn, runs=5):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)
copy = os.path.join(work, "copy.bin")
def cp_once():
    subprocess.run(["cp", single, copy], check=True, **quiet)
    os.remove(copy)
t_save = timed(save_once)
t_cp = timed(cp_once)

ok = lambda c: "yes" if c else "NO"
print(f"| measure ({mib} MiB random, 2,000 JPEG + 2,000 PNG) | value | target | ok |")
print("|---|---|---|---|")
print(f"| cat > /dev/null | {t_cat:.3f} s | | |")
print(f"| kwrecover images / cat | {t_kw / t_cat:.2f}x ({t_kw:.3f} s; {found}) | <= 3x | {ok(t_kw <= 3 * t_cat)} |")
print(f"| foremost -t jpg,png / kwrecover images | {t_foremost / t_kw:.1f}x faster (foremost {t_foremost:.2f} s, {foremost_files} files) | >= 6x | {ok(t_foremost >= 6 * t_kw)} |")
print(f"| peak memory, kwrecover images | {peak:.1f} MiB | < 64 MiB | {ok(peak < 64)} |")
print(f"| peak memory, 64 MiB packed with PNG marker pairs | {peak_dense:.1f} MiB ({t_dense:.2f} s) | < 64 MiB | {ok(peak_dense < 64)} |")
print(f"| longest gap between yields (scan) | {gap_ms:.1f} ms | < 50 ms | {ok(gap_ms < 50)} |")
print(f"| SaveImages of a 20 MiB picture / cp | {t_save / t_cp:.2f}x ({t_save * 1000:.1f} ms vs {t_cp * 1000:.1f} ms) | <= 3x | {ok(t_save <= 3 * t_cp)} |")
PY
