#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Batch throughput: kwrecover batch over the corpus of bench/batch_corpus.py
# (10,000 small .doc and .docx files), serial and with 2 workers.
#
#   bench/batch_bench.sh [BUILD_DIR] [CORPUS_DIR] [MODES] [OUTPUT_PARENT]
#
# Prints one row per mode and worker count: files, wall seconds, files/s,
# CPU seconds (user + system), and for --jobs 2 the ratio of its wall time to
# the serial time divided by 2 (1.00 is a perfect split; on a machine busy
# with other work the CPU column shows whether the workers themselves cost
# more). The outputs go to a new folder under OUTPUT_PARENT (default /tmp;
# /dev/shm leaves the disk out). The corpus is read once first so that every
# run finds it in the page cache. Needs bench/batch_setup.sh (as root) the
# first time, to make the corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-/tmp/batch_corpus}
modes=${3:-deep quick}
kwrecover=$build/cli/kwrecover
ninja -C "$build" kwrecover >/dev/null || exit 1
[ -d "$corpus" ] || python3 bench/batch_corpus.py "$corpus" 10000 || exit 1
files=$(find "$corpus" -type f | wc -l)
work=$(mktemp -d -p "${4:-/tmp}")
trap 'rm -rf "$work"' EXIT
find "$corpus" -type f -exec cat {} + >/dev/null

# Prints "wall user system" seconds of one batch; fails when it did not do every file.
run() {
  rm -rf "$work/out"
  local TIMEFORMAT='%R %U %S' times
  times=$({ time "$kwrecover" batch "$corpus" --out "$work/out" --mode "$1" --jobs "$2" 2>/dev/null; } 2>&1) || return 1
  [ "$(wc -l <"$work/out/report.jsonl")" -eq "$files" ] || return 1
  echo "$times"
}

printf '%-6s %5s %7s %8s %8s %8s %s\n' mode jobs files seconds files/s cpu-s "vs serial/2"
for mode in $modes; do
  serial=$(run "$mode" 1) || { echo "$mode --jobs 1 failed" >&2; exit 1; }
  two=$(run "$mode" 2) || { echo "$mode --jobs 2 failed" >&2; exit 1; }
  echo "$serial $two" | awk -v m="$mode" -v n="$files" '{
    printf "%-6s %5d %7d %8.2f %8.0f %8.2f\n", m, 1, n, $1, n / $1, $2 + $3
    printf "%-6s %5d %7d %8.2f %8.0f %8.2f %.2f\n", m, 2, n, $4, n / $4, $5 + $6, $4 / ($1 / 2) }'
done
