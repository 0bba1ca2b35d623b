#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The browser page's jobs against the native CLI on the same files: each mode
# on a file of mixed text and binary (make_mixed.py), a sound Word 97 file
# (make_big_doc.py), a file of pictures (make_images_file.py) and a large
# .docx (docx_make_big.py). The page runs in Debian's chromium, headless;
# the wasm time is the job's own in the worker (from the call into the core
# to its return: no page load, no compile); the native time is kwrecover's
# user+sys CPU time. Both pinned to one CPU (KW_BENCH_CPU, 0 by default),
# best of 3. The target: the wasm job at most 3 times the native one.
#   bench/web_bench.sh [BUILD_DIR] [WEB_BUILD_DIR] [MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
web="${2:-build-web}"
mib="${3:-64}"
cpu="${KW_BENCH_CPU:-0}"
tmp="${TMPDIR:-/tmp}"
kw="$build/cli/kwrecover"
page="$web/web/kwrecover.html"
[ -x "$kw" ] && [ -f "$page" ] || { echo "build kwrecover ($build) and the page ($web: cmake --preset web) first"; exit 2; }
(cd web/tests && npm ci --no-audit --no-fund --silent)

mixed="$tmp/kw-mixed-$mib.bin"
doc="$tmp/kw-big-$mib.doc"
pictures="$tmp/kw-pictures-$mib.bin"
docx="$tmp/kw-big-$mib.docx"
[ -f "$mixed" ] || python3 bench/make_mixed.py "$mixed" "$mib"
[ -f "$doc" ] || python3 bench/make_big_doc.py "$doc" "$mib"
[ -f "$pictures" ] || python3 bench/make_images_file.py mixed "$pictures" "$mib" 200 200
[ -f "$docx" ] || python3 bench/docx_make_big.py "$docx" "$((mib / 4))"
cases=(quick:"$mixed" salvage:"$mixed" images:"$mixed" deep:"$mixed" quick:"$doc" deep:"$doc"
  images:"$pictures" quick:"$docx" deep:"$docx" quick:samples/letter-cut-short.doc)

measure="$(mktemp)"
trap 'rm -f "$measure"' EXIT
native_ms() {  # the least user+sys time of 3 runs, in milliseconds
  for _ in 1 2 3; do
    taskset -c "$cpu" /usr/bin/time -o "$measure" -f '%U %S' "$kw" "$1" "$2" > /dev/null 2>&1 || true
    awk '{ printf "%.1f\n", ($1 + $2) * 1000 }' "$measure"
  done | sort -n | head -n 1
}

wasm=$(taskset -c "$cpu" node bench/web_bench.mjs "$page" 3 "${cases[@]}")
printf '%-8s %-28s %12s %12s %7s\n' mode file native_ms wasm_ms ratio
worst=0
while read -r mode file ms; do
  native=$(native_ms "$mode" "$file")
  ratio=$(awk -v w="$ms" -v n="$native" 'BEGIN { printf "%.2f", w / (n < 1 ? 1 : n) }')
  printf '%-8s %-28s %12s %12s %7s\n' "$mode" "$(basename "$file")" "$native" "$ms" "$ratio"
  worst=$(awk -v a="$worst" -v b="$ratio" 'BEGIN { print (b > a ? b : a) }')
done <<<"$wasm"
echo "worst ratio: $worst (target: at most 3; files under a few MiB are dominated by fixed costs)"
