#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery of .docx packages with pieces of other files inside them
# (bench/make_foreign_piece_corpus.py), against Quick Recovery, and the
# speed of the search for package structure in bytes that hold none.
#
#   bench/deep_docx_foreign_bench.sh [BUILD_DIR] [CORPUS_DIR] [MIB]
#
# The first table (bench/deep_docx_foreign_score.py) gives, per writer and
# placement of the piece, Quick's and Deep's share of the true words, the
# least share of the main document's words Deep got, the cases where Deep
# got fewer words than Quick, the pictures the piece does not overlap that
# Deep gives byte for byte, and the cases where something of the piece was
# taken for the document's. The second gives, on MIB MiB (256 by default) of
# random bytes and of an ext4 image of system files, the least user+system
# CPU time of three runs pinned to CPU KW_BENCH_CPU (0 by default;
# bench/timing.py) of cat, of the .docx reader alone (the package search:
# kw_deep_docx_probe) and of the whole Deep Recovery job (kwrecover deep,
# which reads a file without a package with the .doc reader next), with
# their speeds; the target is 200 MB/s for the package search. Needs
# bench/setup.sh (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-/tmp/deep_docx_foreign}
mib=${3:-256}
cpu=${KW_BENCH_CPU:-0}
probe=$build/bench/kw_deep_docx_probe
kw=$build/cli/kwrecover
cmake --build "$build" --target kw_deep_docx_probe kwrecover >/dev/null
[ -f "$corpus/manifest.tsv" ] || /usr/bin/python3 bench/make_foreign_piece_corpus.py "$corpus" >/dev/null
/usr/bin/python3 bench/deep_docx_foreign_score.py "$probe" "$kw" "$corpus"

dir=${TMPDIR:-/tmp}
random=$dir/kw-foreign-random-$mib.bin
image=$dir/kw-foreign-fs-$mib.img
[ -f "$random" ] || /usr/bin/python3 bench/make_foreign_piece_corpus.py --random "$random" "$mib"
[ -f "$image" ] || /usr/bin/python3 bench/make_foreign_piece_corpus.py --fs-image "$image" "$mib"
source bench/timing.sh
cpu_time() {  # least user+system CPU seconds of three pinned runs
  # The probe fails on bytes that hold no package, as it should here.
  { best "$@" || true; } | cut -d' ' -f1
}
echo
echo "| input ($mib MiB, CPU $cpu) | cat cpu | package search cpu (MB/s, x cat) | whole deep job cpu (MB/s) | search >= 200 MB/s |"
echo "|---|---|---|---|---|"
for f in "$random" "$image"; do
  cat "$f" >/dev/null  # page-cache it
  c=$(cpu_time cat "$f")
  s=$(cpu_time "$probe" "$f")
  d=$(cpu_time "$kw" deep "$f")
  awk -v n="$(basename "$f")" -v c="$c" -v s="$s" -v d="$d" -v mb="$((mib << 20))" 'BEGIN {
    sr = mb / 1e6 / (s > 0 ? s : 0.001); dr = mb / 1e6 / (d > 0 ? d : 0.001)
    printf "| %s | %.3f s | %.3f s (%.0f MB/s, %.1fx) | %.3f s (%.0f MB/s) | %s |\n", n, c, s, sr,
      s / (c > 0 ? c : 0.001), d, dr, (sr >= 200 ? "yes" : "NO") }'
done
