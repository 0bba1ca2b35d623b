#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Two builds of kwrecover against each other: the standard output and exit
# status of quick, salvage, images, info and deep on every file of the
# samples, the .docx fixtures and the fuzz corpora (each also copied to a
# ".docx" name for quick), and on any further files named after the two
# builds (large inputs such as the bench files), so that a change meant to
# keep the output can show it did.
#   bench/compare_outputs.sh OLD_KWRECOVER NEW_KWRECOVER [FILE...]
# Build the old one from a worktree, for instance:
#   git worktree add /tmp/kw-old REV && cmake -S /tmp/kw-old -B /tmp/kw-old/build -DKW_BUILD_GUI=OFF \
#     && cmake --build /tmp/kw-old/build --target kwrecover
set -uo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
runs=0
differ=0
while IFS= read -r -d '' f; do
  f=$(realpath "$f")
  for m in quick salvage images info deep; do
    for p in "$f" docx; do
      if [ "$p" = docx ]; then
        [ "$m" = quick ] || continue
        p="$scratch/copy.docx"
        cp "$f" "$p"
      fi
      limit=20
      [ "$(stat -c %s "$f")" -lt $((16 << 20)) ] || limit=900  # the large inputs
      a=$(cd "$scratch" && timeout $limit "$old" "$m" "$p" 2>/dev/null | md5sum; echo "${PIPESTATUS[0]}")
      b=$(cd "$scratch" && timeout $limit "$new" "$m" "$p" 2>/dev/null | md5sum; echo "${PIPESTATUS[0]}")
      runs=$((runs + 1))
      if [ "$a" != "$b" ]; then
        differ=$((differ + 1))
        echo "differs: $m $p"
      fi
    done
  done
done < <(
  find samples tests/docx/data fuzz/corpus -type f -print0
  [ $# -eq 0 ] || printf '%s\0' "$@"
)
echo "$runs runs, $differ differ"
[ "$differ" -eq 0 ]
