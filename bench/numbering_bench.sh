#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# List numbers and note marks: Deep Recovery against LibreOffice's text
# export on the documents of bench/numbering_corpus.py (made once into
# $TMPDIR/kw-numbering; needs soffice and pandoc). Prints, per file, the
# share of the reference's words (numbers included) that Deep Recovery
# gives, and the share of its words not in the reference (the notes'
# text, which the reference leaves out, counts here); with BEFORE, another
# kwrecover (say, a build of the previous commit) is scored beside it.
#   bench/numbering_bench.sh [BUILD_DIR] [BEFORE]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
before="${2:-}"
dir="${TMPDIR:-/tmp}/kw-numbering"
[ -f "$dir/hand.docx.txt" ] || python3 bench/numbering_corpus.py "$dir"
score() { # KWRECOVER FILE -> "words junk"
  "$1" deep "$2" -o "$dir/out.txt" > /dev/null 2>&1 || true
  python3 bench/deep_docx_score.py "$2.txt" "$dir/out.txt" | cut -d' ' -f1,2
}
printf '%-14s %14s %14s\n' file "before w% j%" "deep w% j%"
for f in "$dir"/*.doc "$dir"/*.docx; do
  [ -f "$f.txt" ] || continue
  old="-"
  [ -n "$before" ] && old=$(score "$before" "$f")
  printf '%-14s %14s %14s\n' "$(basename "$f")" "$old" "$(score "$build/cli/kwrecover" "$f")"
done
