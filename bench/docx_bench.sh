#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# .docx recovery speed, in one run: HtmlToText on 10/20/40 MB of document
# XML, and `kwrecover quick` against docx2txt on a package whose document
# XML is 30 MB (least user+sys CPU time of three runs pinned to one CPU,
# bench/timing.py). Prints tables.
#   bench/docx_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
kw="$build/cli/kwrecover"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
big="$work/big.docx"
python3 bench/make_big_docx.py "$big" 30

python3 bench/timing.py --runs 1 --out - -- "$build/bench/kw_docx_html_to_text" 2>/dev/null
echo

source bench/timing.sh
export TMPDIR="$work"  # the "sqx" working files go with the rest
t_kw=$(best "$kw" quick "$big")
t_d2t=$(best docx2txt "$big")
lines=$("$kw" quick "$big" | wc -l)
python3 - "$t_kw" "$t_d2t" "$lines" "$(stat -c %s "$big")" <<'PY'
import sys
kw, d2t = (float(t.split()[0]) for t in sys.argv[1:3])
lines, size = int(sys.argv[3]), int(sys.argv[4])
print("| measure (30 MB document XML, %.1f MB package) | value | target | ok |" % (size / 1e6))
print("|---|---|---|---|")
print(f"| kwrecover quick, CPU | {kw:.3f} s ({lines} lines) | | |")
print(f"| docx2txt, CPU | {d2t:.3f} s | | |")
ratio = d2t / kw if kw > 0 else float("inf")
print(f"| docx2txt / kwrecover | {ratio:.1f}x | >= 5x | {'yes' if ratio >= 5 else 'NO'} |")
PY
