#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery against Quick Recovery on the same sound .doc files: the
# 8-bit Word 97 file of bench/make_big_doc.py and the mixed-piece file of
# bench/deep_text_doc.py (DOC_MIB MiB each, 64 by default). Both modes run
# pinned to the same CPU (the first one taskset allows, or $CPU), three times
# each; the table shows the least user+system CPU time, the wall time of that
# run and the peak memory, and the ratio deep / quick on CPU time.
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
measure="$(mktemp)"
trap 'rm -f "$measure"' EXIT

# "cpu wall peak_kib" of the run with the least CPU time of three.
run() {
  local best="" line
  for _ in 1 2 3; do
    taskset -c "$cpu" /usr/bin/time -o "$measure" -f '%U %S %e %M' "$kw" "$@" > /dev/null 2>&1
    line=$(awk '{printf "%.3f %.3f %d", $1 + $2, $3, $4}' "$measure")
    if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x); split(b, y); exit !(x[1] < y[1]) }'; then
      best="$line"
    fi
  done
  echo "$best"
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
