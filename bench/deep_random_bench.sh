#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The speed of Deep Recovery on bytes that hold no document at all: MIB MiB
# (256 by default) of random bytes, which the job reads with the .doc
# reader's text scan and picture search over every byte. Prints, for each
# kwrecover given (the build's by default; give an older one first to
# compare), the least user+system CPU time of three runs pinned to CPU $CPU
# (0 by default) against cat of the same file, and the speed; the target is
# 200 MB/s.
#
#   bench/deep_random_bench.sh [MIB] [KWRECOVER...]
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-256}
shift || true
[ $# -gt 0 ] || set -- build/cli/kwrecover
cpu=${CPU:-0}
random=${TMPDIR:-/tmp}/kw-random-$mib.bin
[ -f "$random" ] || head -c $((mib << 20)) /dev/urandom >"$random"
. bench/timing.sh  # cpu_time
cat "$random" >/dev/null  # page-cache it
c=$(cpu_time cat "$random")
echo "| kwrecover | input | cat cpu | deep cpu | MB/s | >= 200 MB/s |"
echo "|---|---|---|---|---|---|"
for kw in "$@"; do
  d=$(cpu_time "$kw" deep "$random")
  awk -v k="$kw" -v n="random ($mib MiB)" -v c="$c" -v d="$d" -v mb="$((mib << 20))" 'BEGIN {
    r = mb / 1e6 / (d > 0 ? d : 0.001)
    printf "| %s | %s | %.3f s | %.3f s | %.0f | %s |\n", k, n, c, d, r, (r >= 200 ? "yes" : "NO") }'
done
