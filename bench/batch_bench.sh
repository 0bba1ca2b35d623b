#!/usr/bin/env bash
# Batch throughput: kwrecover batch over the corpus of bench/batch_corpus.py
# (10,000 small .doc and .docx files), serial and with 2 workers.
#
#   bench/batch_bench.sh [BUILD_DIR] [CORPUS_DIR] [MODES]
#
# Prints one row per mode and worker count: files, seconds, files/s, and for
# --jobs 2 the ratio of its time to the serial time divided by 2 (1.00 is a
# perfect split). The corpus is read once first so that every run finds it in
# the page cache. Needs bench/batch_setup.sh (as root) the first time, to
# make the corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-/tmp/batch_corpus}
modes=${3:-deep quick}
kwrecover=$build/cli/kwrecover
ninja -C "$build" kwrecover >/dev/null || exit 1
[ -d "$corpus" ] || python3 bench/batch_corpus.py "$corpus" 10000 || exit 1
files=$(find "$corpus" -type f | wc -l)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find "$corpus" -type f -exec cat {} + >/dev/null

# Prints the seconds one batch took; fails when it did not do every file.
run() {
  rm -rf "$work/out"
  local start end
  start=$(date +%s%N)
  "$kwrecover" batch "$corpus" --out "$work/out" --mode "$1" --jobs "$2" 2>/dev/null || return 1
  end=$(date +%s%N)
  [ "$(wc -l <"$work/out/report.jsonl")" -eq "$files" ] || return 1
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}

printf '%-6s %5s %7s %8s %8s %s\n' mode jobs files seconds files/s "vs serial/2"
for mode in $modes; do
  serial=$(run "$mode" 1) || { echo "$mode --jobs 1 failed" >&2; exit 1; }
  two=$(run "$mode" 2) || { echo "$mode --jobs 2 failed" >&2; exit 1; }
  awk -v m="$mode" -v n="$files" -v s="$serial" -v t="$two" 'BEGIN {
    printf "%-6s %5d %7d %8.2f %8.0f\n", m, 1, n, s, n / s
    printf "%-6s %5d %7d %8.2f %8.0f %.2f\n", m, 2, n, t, n / t, t / (s / 2) }'
done
