#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Batch throughput: kwrecover batch over the corpus of
# bench/make_batch_corpus.py (10,000 small .doc and .docx files), serial and
# with 2 workers.
#
#   bench/batch_bench.sh [BUILD_DIR] [CORPUS_DIR] [MODES] [OUTPUT_PARENT]
#
# Prints one row per mode and run: files, wall seconds, files/s, CPU seconds
# (user + system), each run timed by bench/timing.py. The serial batch runs
# pinned to CPU 0 and again pinned to CPU 1, because the two CPUs of a
# virtual machine need not be equally fast (on ours CPU 1 has at times taken
# 1.8 times as long as CPU 0). The --jobs 2
# row gives two ratios of its wall time:
#   vs serial/2  the serial time on CPU 0 divided by 2 (1.00 is a perfect split);
#   vs ideal     the best two workers can do on these CPUs, 1 / (1/t0 + 1/t1).
# "ceiling" is that ideal divided by serial/2: what vs serial/2 would be if
# the workers cost nothing extra. The outputs go to a new folder under
# OUTPUT_PARENT (default /dev/shm, which leaves the disk and other programs'
# writes out of the final sync). The corpus is read once first so that every
# run finds it in the page cache. Needs bench/setup.sh (as root) the first
# time, to make the corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-/tmp/batch_corpus}
modes=${3:-deep quick}
kwrecover=$build/cli/kwrecover
[ "$(nproc)" -ge 2 ] || { echo "batch_bench.sh needs two CPUs" >&2; exit 1; }
ninja -C "$build" kwrecover >/dev/null || exit 1
[ -d "$corpus" ] || python3 bench/make_batch_corpus.py "$corpus" 10000 || exit 1
files=$(find "$corpus" -type f | wc -l)
work=$(mktemp -d -p "${4:-/dev/shm}")
trap 'rm -rf "$work"' EXIT
find "$corpus" -type f -exec cat {} + >/dev/null

source bench/timing.sh
# Prints "cpu wall peak_kib" of one batch (bench/timing.py); fails when it
# did not do every file. Arguments: mode, workers, CPU list to pin to.
run() {
  rm -rf "$work/out"
  local times
  times=$(python3 bench/timing.py --runs 1 --cpu "$3" -- \
    "$kwrecover" batch "$corpus" --out "$work/out" --mode "$1" --jobs "$2") || return 1
  [ "$(wc -l <"$work/out/report.jsonl")" -eq "$files" ] || return 1
  echo "$times"
}

printf '%-6s %5s %5s %7s %8s %8s %7s %12s %9s %8s\n' \
  mode jobs cpus files seconds files/s cpu-s "vs serial/2" "vs ideal" ceiling
for mode in $modes; do
  one0=$(run "$mode" 1 0) || { echo "$mode --jobs 1 failed" >&2; exit 1; }
  one1=$(run "$mode" 1 1) || { echo "$mode --jobs 1 on CPU 1 failed" >&2; exit 1; }
  two=$(run "$mode" 2 0,1) || { echo "$mode --jobs 2 failed" >&2; exit 1; }
  # Fields: CPU, wall and peak of the serial run on CPU 0 ($1-$3), on CPU 1
  # ($4-$6), and of the two workers ($7-$9).
  echo "$one0 $one1 $two" | awk -v m="$mode" -v n="$files" '{
    ideal = 1 / (1 / $2 + 1 / $5)
    printf "%-6s %5d %5s %7d %8.2f %8.0f %7.2f\n", m, 1, "0", n, $2, n / $2, $1
    printf "%-6s %5d %5s %7d %8.2f %8.0f %7.2f\n", m, 1, "1", n, $5, n / $5, $4
    printf "%-6s %5d %5s %7d %8.2f %8.0f %7.2f %12.2f %9.2f %8.2f\n", m, 2, "0,1", n, $8, n / $8, $7,
           $8 / ($2 / 2), $8 / ideal, ideal / ($2 / 2) }'
done
