#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery against Quick Recovery on the same sound .doc files: the
# 8-bit Word 97 file of bench/make_word97_doc.py and the mixed-piece file of
# bench/make_mixed_pieces_doc.py (DOC_MIB MiB each, 64 by default). Both
# modes run through bench/timing.py, pinned to the same CPU (KW_BENCH_CPU, 0
# by default), three times each; the table shows the least user+system CPU
# time, the wall time of that run, the peak memory, and deep / quick on CPU
# time.
#   bench/deep_text_bench.sh [BUILD_DIR] [DOC_MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-64}"
cpu="${KW_BENCH_CPU:-0}"
kw="$build/cli/kwrecover"
dir="${TMPDIR:-/tmp}"
files=("$dir/kw-big-$mib.doc" "$dir/kw-deep-text-$mib.doc")
[ -f "${files[0]}" ] || python3 bench/make_word97_doc.py "${files[0]}" "$mib"
[ -f "${files[1]}" ] || python3 bench/make_mixed_pieces_doc.py "${files[1]}" "$mib"
source bench/timing.sh
echo "| file ($mib MiB, CPU $cpu) | quick cpu (wall, peak) | deep cpu (wall, peak) | deep / quick cpu | target |"
echo "|---|---|---|---|---|"
for f in "${files[@]}"; do
  cat "$f" > /dev/null  # page-cache it
  read -r qc qw qm <<< "$(best "$kw" quick "$f")"
  read -r dc dw dm <<< "$(best "$kw" deep "$f")"
  ratio=$(awk -v d="$dc" -v q="$qc" 'BEGIN { printf "%.2f", d / (q > 0 ? q : 0.001) }')
  ok=$(awk -v r="$ratio" 'BEGIN { print (r <= 2 ? "yes" : "NO") }')
  printf "| %s | %s s (%s s, %d MiB) | %s s (%s s, %d MiB) | %sx | <= 2x %s |\n" "$(basename "$f")" \
    "$qc" "$qw" $((qm / 1024)) "$dc" "$dw" $((dm / 1024)) "$ratio" "$ok"
done
