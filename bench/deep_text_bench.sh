#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery against Quick Recovery on the same sound .doc files: the
# 8-bit Word 97 file of bench/make_big_doc.py and the mixed-piece file of
# bench/deep_text_doc.py (DOC_MIB MiB each, 64 by default). Both modes run
# pinned to the same CPU ($CPU, 0 by default), five times each; the table
# shows the least user+system CPU time, the wall time of that run, the peak
# memory, and deep / quick on CPU time.
#   bench/deep_text_bench.sh [BUILD_DIR] [DOC_MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-64}"
cpu="${CPU:-0}"
kw="$build/cli/kwrecover"
dir="${TMPDIR:-/tmp}"
files=("$dir/kw-big-$mib.doc" "$dir/kw-deep-text-$mib.doc")
[ -f "${files[0]}" ] || python3 bench/make_big_doc.py "${files[0]}" "$mib"
[ -f "${files[1]}" ] || python3 bench/deep_text_doc.py "${files[1]}" "$mib"
# "cpu wall peak_kib": the least user+system CPU time of five runs (from
# getrusage, finer than /usr/bin/time's hundredths), the wall time of that
# run, and the peak memory of one more run under /usr/bin/time.
run() {
  python3 - "$cpu" "$kw" "$@" <<'PY'
import os, resource, subprocess, sys, time
cpu, cmd = sys.argv[1], ["taskset", "-c", sys.argv[1]] + sys.argv[2:]
best = None
for _ in range(5):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    used = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if best is None or used < best[0]:
        best = (used, wall)
print("%.3f %.3f" % best, end=" ")
PY
  /usr/bin/time -f '%M' taskset -c "$cpu" "$kw" "$@" 2>&1 > /dev/null | tail -n 1
}

echo "| file ($mib MiB, CPU $cpu) | quick cpu (wall, peak) | deep cpu (wall, peak) | deep / quick cpu | target |"
echo "|---|---|---|---|---|"
for f in "${files[@]}"; do
  cat "$f" > /dev/null  # page-cache it
  read -r qc qw qm <<< "$(run quick "$f")"
  read -r dc dw dm <<< "$(run deep "$f")"
  ratio=$(awk -v d="$dc" -v q="$qc" 'BEGIN { printf "%.2f", d / (q > 0 ? q : 0.001) }')
  ok=$(awk -v r="$ratio" 'BEGIN { print (r <= 2 ? "yes" : "NO") }')
  printf "| %s | %s s (%s s, %d MiB) | %s s (%s s, %d MiB) | %sx | <= 2x %s |\n" "$(basename "$f")" \
    "$qc" "$qw" $((qm / 1024)) "$dc" "$dw" $((dm / 1024)) "$ratio" "$ok"
done
