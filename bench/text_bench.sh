#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Quick and Salvage Recovery against cat on a page-cached file of mixed text
# and binary bytes (512 MiB by default), and Deep Recovery against Quick on
# the same file and on a sound Word 97 file of 8-bit text (64 MiB by default,
# bench/make_big_doc.py), in one run. Prints a table; the SIMD path in use is
# in its title.
#   bench/text_bench.sh [BUILD_DIR] [MIB] [DOC_MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-512}"
doc_mib="${3:-64}"
file="${TMPDIR:-/tmp}/kw-mixed-${mib}.bin"
doc="${TMPDIR:-/tmp}/kw-big-${doc_mib}.doc"
[ -f "$file" ] || python3 bench/make_mixed.py "$file" "$mib"
[ -f "$doc" ] || python3 bench/make_big_doc.py "$doc" "$doc_mib"
kw="$build/cli/kwrecover"

measure="$(mktemp)"
trap 'rm -f "$measure"' EXIT
source bench/timing.sh

cat "$file" > /dev/null  # page-cache it
t_cat=$(best cat "$file")
t_quick=$(best "$kw" quick "$file")
t_salvage=$(best "$kw" salvage "$file")
text_bytes=$("$kw" quick "$file" | wc -c)
peak_quick=$(peak_kib "$kw" quick "$file")
gap_quick=$("$build/bench/kw_yield_gap" quick "$file")
gap_salvage=$("$build/bench/kw_yield_gap" salvage "$file")
cat "$doc" > /dev/null
t_doc_quick=$(best "$kw" quick "$doc")
t_doc_deep=$(best "$kw" deep "$doc")
t_deep=$(once "$kw" deep "$file")  # tens of seconds: one run
simd=$(grep -q ' avx2' /proc/cpuinfo && echo avx2 || echo sse2)

python3 - "$mib" "$t_cat" "$t_quick" "$t_salvage" "$text_bytes" "$peak_quick" "$gap_quick" "$gap_salvage" \
  "$t_deep" "$t_doc_quick" "$t_doc_deep" "$doc_mib" "$simd" <<'PY'
import sys
mib, cat, quick, salvage = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
deep, doc_quick, doc_deep, doc_mib, simd = float(sys.argv[9]), float(sys.argv[10]), float(sys.argv[11]), sys.argv[12], sys.argv[13]
text, peak = int(sys.argv[5]), int(sys.argv[6]) * 1024
gq = float(sys.argv[7].split("longest_gap_ms=")[1].split()[0])
gs = float(sys.argv[8].split("longest_gap_ms=")[1].split()[0])
limit = 3 * text + 64 * 2**20
print(f"| measure ({mib} MiB mixed file; {simd} path) | value | target | ok |")
print("|---|---|---|---|")
print(f"| cat | {cat:.3f} s | | |")
print(f"| quick / cat | {quick / cat:.2f}x ({quick:.3f} s) | <= 4x | {'yes' if quick <= 4 * cat else 'NO'} |")
print(f"| salvage / cat | {salvage / cat:.2f}x ({salvage:.3f} s) | <= 2x | {'yes' if salvage <= 2 * cat else 'NO'} |")
print(f"| quick peak memory / (3 x text + 64 MiB) | {peak / limit:.2f} ({peak / 2**20:.0f} MiB, text {text / 2**20:.0f} MiB) | <= 1 | {'yes' if peak <= limit else 'NO'} |")
print(f"| longest gap between yields, quick | {gq:.1f} ms | < 50 ms | {'yes' if gq < 50 else 'NO'} |")
print(f"| longest gap between yields, salvage | {gs:.1f} ms | < 50 ms | {'yes' if gs < 50 else 'NO'} |")
print(f"| deep / quick, {doc_mib} MiB Word 97 file | {doc_deep / doc_quick:.2f}x ({doc_deep:.3f} s vs {doc_quick:.3f} s) | <= 2x | {'yes' if doc_deep <= 2 * doc_quick else 'NO'} |")
print(f"| deep / quick, {mib} MiB mixed file (the text scan) | {deep / quick:.1f}x ({deep:.1f} s, one run) | <= 2x | {'yes' if deep <= 2 * quick else 'NO'} |")
PY
