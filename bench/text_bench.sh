#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Quick and Salvage Recovery against cat on a page-cached file of mixed text
# and binary bytes (512 MiB by default), and Deep Recovery against Quick on
# the same file and on a sound Word 97 file of 8-bit text (64 MiB by default,
# bench/make_word97_doc.py), in one run. Prints a table; the SIMD path in use is
# in its title.
#
# Every run goes through bench/timing.py: pinned to one CPU (KW_BENCH_CPU, 0
# by default), best of three by user+sys CPU time, which the ratios are taken
# from; each cell gives that CPU time and the run's wall time.
#   bench/text_bench.sh [BUILD_DIR] [MIB] [DOC_MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-512}"
doc_mib="${3:-64}"
cpu="${KW_BENCH_CPU:-0}"
file="${TMPDIR:-/tmp}/kw-mixed-${mib}.bin"
doc="${TMPDIR:-/tmp}/kw-big-${doc_mib}.doc"
[ -f "$file" ] || python3 bench/make_mixed_file.py "$file" "$mib"
[ -f "$doc" ] || python3 bench/make_word97_doc.py "$doc" "$doc_mib"
kw="$build/cli/kwrecover"

source bench/timing.sh

cat "$file" > /dev/null  # page-cache it
t_cat=$(best cat "$file")
t_quick=$(best "$kw" quick "$file")
t_salvage=$(best "$kw" salvage "$file")
text_bytes=$("$kw" quick "$file" | wc -c)
peak_quick=${t_quick##* }
gap_quick=$(taskset -c "$cpu" "$build/bench/kw_yield_gap" quick "$file")
gap_salvage=$(taskset -c "$cpu" "$build/bench/kw_yield_gap" salvage "$file")
cat "$doc" > /dev/null
t_doc_quick=$(best "$kw" quick "$doc")
t_doc_deep=$(best "$kw" deep "$doc")
t_deep=$(once "$kw" deep "$file")  # tens of seconds: one run
simd=$(grep -q ' avx2' /proc/cpuinfo && echo avx2 || echo sse2)

python3 - "$mib" "$t_cat" "$t_quick" "$t_salvage" "$text_bytes" "$peak_quick" "$gap_quick" "$gap_salvage" \
  "$t_deep" "$t_doc_quick" "$t_doc_deep" "$doc_mib" "$simd" "$cpu" <<'PY'
import sys
a = sys.argv
mib, doc_mib, simd, cpu = int(a[1]), a[12], a[13], a[14]
cat, quick, salvage, deep, doc_quick, doc_deep = ([float(x) for x in s.split()] for s in (a[2], a[3], a[4], a[9], a[10], a[11]))
text, peak = int(a[5]), int(a[6]) * 1024
gq = float(a[7].split("longest_gap_ms=")[1].split()[0])
gs = float(a[8].split("longest_gap_ms=")[1].split()[0])
limit = 3 * text + 64 * 2**20

def ratio(x, y, target, digits=2):  # CPU-time ratio, then both sides in CPU and wall seconds
    r = x[0] / y[0]
    cell = f"{r:.{digits}f}x (cpu {x[0]:.3f} s vs {y[0]:.3f} s; wall {x[1]:.3f} s vs {y[1]:.3f} s)"
    return f"{cell} | <= {target}x | {'yes' if r <= target else 'NO'} |"

print(f"| measure ({mib} MiB mixed file; {simd} path; pinned to CPU {cpu}; user+sys CPU) | value | target | ok |")
print("|---|---|---|---|")
print(f"| cat | cpu {cat[0]:.3f} s, wall {cat[1]:.3f} s | | |")
print(f"| quick / cat | {ratio(quick, cat, 4)}")
print(f"| salvage / cat | {ratio(salvage, cat, 2)}")
print(f"| quick peak memory / (3 x text + 64 MiB) | {peak / limit:.2f} ({peak / 2**20:.0f} MiB, text {text / 2**20:.0f} MiB) | <= 1 | {'yes' if peak <= limit else 'NO'} |")
print(f"| longest gap between yields, quick | {gq:.1f} ms | < 50 ms | {'yes' if gq < 50 else 'NO'} |")
print(f"| longest gap between yields, salvage | {gs:.1f} ms | < 50 ms | {'yes' if gs < 50 else 'NO'} |")
print(f"| deep / quick, {doc_mib} MiB Word 97 file | {ratio(doc_deep, doc_quick, 2)}")
print(f"| deep / quick, {mib} MiB mixed file (the text scan; deep one run) | {ratio(deep, quick, 2, 1)}")
PY
