#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery .doc bench: builds the corpus (bench/make_damaged_doc_corpus.py), runs
# our reader (kw_deep_doc_probe) and the peers (antiword, catdoc, catdoc -b -u
# for broken files, LibreOffice's text export, `strings -e l`) on every file, and prints per
# class of file the share of the true words each recovered and the junk words
# as a ratio of the true words.
#
#   bench/deep_doc_bench.sh [BUILD_DIR] [OUT_DIR]
# Needs the packages bench/setup.sh installs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-deepdoc}
out=${2:-/tmp/deep_doc_bench}
probe=$build/bench/kw_deep_doc_probe
ninja -C "$build" kw_deep_doc_probe >/dev/null || exit 1
corpus=$out/corpus
results=$out/results
python3 "$here/make_damaged_doc_corpus.py" "$corpus" >/dev/null || exit 1
rm -rf "$results"
for cls in $(ls "$corpus" | grep -v '^truth'); do
  mkdir -p "$results"/{deep,antiword,catdoc,catdoc-bu,soffice,strings}/"$cls"
  for f in "$corpus/$cls"/*.doc; do
    n=$(basename "$f")
    # Each tool in a subshell capped at 1 GiB and 30 s (some balloon on damaged files).
    (ulimit -v 1048576; timeout 30 "$probe" "$f" >"$results/deep/$cls/$n.txt" 2>/dev/null)
    (ulimit -v 1048576; timeout 30 antiword -m UTF-8.txt -w 0 "$f" >"$results/antiword/$cls/$n.txt" 2>/dev/null)
    (ulimit -v 1048576; timeout 30 catdoc -d utf-8 -w "$f" >"$results/catdoc/$cls/$n.txt" 2>/dev/null)
    (ulimit -v 1048576; timeout 30 catdoc -b -u -d utf-8 -w "$f" >"$results/catdoc-bu/$cls/$n.txt" 2>/dev/null)
    strings -e l "$f" >"$results/strings/$cls/$n.txt" 2>/dev/null
  done
  tmp=$(mktemp -d)
  timeout 900 soffice --headless --convert-to 'txt:Text (encoded):UTF8' --outdir "$tmp" "$corpus/$cls"/*.doc \
    >/dev/null 2>&1
  for t in "$tmp"/*.txt; do
    [ -e "$t" ] && mv "$t" "$results/soffice/$cls/$(basename "$t" .txt).doc.txt"
  done
  rm -rf "$tmp"
done
python3 "$here/deep_doc_score.py" "$corpus" "$results" deep antiword catdoc catdoc-bu soffice strings
