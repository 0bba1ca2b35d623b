#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Batch throughput: kwrecover batch over the corpus of bench/batch_corpus.py
# (10,000 small .doc and .docx files), serial and with 2 workers.
#
#   bench/batch_bench.sh [BUILD_DIR] [CORPUS_DIR] [MODES] [OUTPUT_PARENT]
#
# Prints one row per mode and run: files, wall seconds, files/s, CPU seconds
# (user + system). The serial batch runs pinned to CPU 0 and again pinned to
# CPU 1, because the two CPUs of a virtual machine need not be equally fast
# (on ours CPU 1 has at times taken 1.8 times as long as CPU 0). The --jobs 2
# row gives two ratios of its wall time:
#   vs serial/2  the serial time on CPU 0 divided by 2 (1.00 is a perfect split);
#   vs ideal     the best two workers can do on these CPUs, 1 / (1/t0 + 1/t1).
# "ceiling" is that ideal divided by serial/2: what vs serial/2 would be if
# the workers cost nothing extra. The outputs go to a new folder under
# OUTPUT_PARENT (default /dev/shm, which leaves the disk and other programs'
# writes out of the final sync). The corpus is read once first so that every
# run finds it in the page cache. Needs bench/batch_setup.sh (as root) the
# first time, to make the corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-/tmp/batch_corpus}
modes=${3:-deep quick}
kwrecover=$build/cli/kwrecover
[ "$(nproc)" -ge 2 ] || { echo "batch_bench.sh needs two CPUs" >&2; exit 1; }
ninja -C "$build" kwrecover >/dev/null || exit 1
[ -d "$corpus" ] || python3 bench/batch_corpus.py "$corpus" 10000 || exit 1
files=$(find "$corpus" -type f | wc -l)
work=$(mktemp -d -p "${4:-/dev/shm}")
trap 'rm -rf "$work"' EXIT
find "$corpus" -type f -exec cat {} + >/dev/null

# Prints "wall user system" seconds of one batch; fails when it did not do
# every file. Arguments: mode, workers, CPU list for taskset.
run() {
  rm -rf "$work/out"
  local TIMEFORMAT='%R %U %S' times
  times=$({ time taskset -c "$3" "$kwrecover" batch "$corpus" --out "$work/out" --mode "$1" --jobs "$2" 2>/dev/null; } 2>&1) ||
    return 1
  [ "$(wc -l <"$work/out/report.jsonl")" -eq "$files" ] || return 1
  echo "$times"
}

printf '%-6s %5s %5s %7s %8s %8s %7s %12s %9s %8s\n' \
  mode jobs cpus files seconds files/s cpu-s "vs serial/2" "vs ideal" ceiling
for mode in $modes; do
  one0=$(run "$mode" 1 0) || { echo "$mode --jobs 1 failed" >&2; exit 1; }
  one1=$(run "$mode" 1 1) || { echo "$mode --jobs 1 on CPU 1 failed" >&2; exit 1; }
  two=$(run "$mode" 2 0,1) || { echo "$mode --jobs 2 failed" >&2; exit 1; }
  echo "$one0 $one1 $two" | awk -v m="$mode" -v n="$files" '{
    ideal = 1 / (1 / $1 + 1 / $4)
    printf "%-6s %5d %5s %7d %8.2f %8.0f %7.2f\n", m, 1, "0", n, $1, n / $1, $2 + $3
    printf "%-6s %5d %5s %7d %8.2f %8.0f %7.2f\n", m, 1, "1", n, $4, n / $4, $5 + $6
    printf "%-6s %5d %5s %7d %8.2f %8.0f %7.2f %12.2f %9.2f %8.2f\n", m, 2, "0,1", n, $7, n / $7, $8 + $9,
           $7 / ($1 / 2), $7 / ideal, ideal / ($1 / 2) }'
done
