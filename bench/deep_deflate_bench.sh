#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Damaged-deflate bench: the Deep Recovery .docx reader (this build, and an
# earlier probe binary when given) against docx2txt and LibreOffice's text
# export, on the corpus of bench/deep_deflate_corpus.py.
#
#   bench/deep_deflate_bench.sh [BUILD_DIR] [CORPUS_DIR] [BEFORE_PROBE]
#
# One row per damage class: per reader, the share of the words outside the
# damage's reach that came back (all words for rand1), the junk share
# (output words matching no true word), and the share of the words that no
# damaged byte decides (clear: neither written by a damaged code nor copied
# from such a byte, so that a reader gets them without guessing hidden
# text), averaged over the packages. Set
# PEERS=0 to leave docx2txt and LibreOffice out. Needs
# bench/setup.sh (as root) first.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-/tmp/deep_deflate_corpus}
before=${3:-}
peers=${PEERS:-1}
probe=$build/bench/kw_deep_docx_probe
ninja -C "$build" kw_deep_docx_probe >/dev/null || exit 1
[ -d "$corpus" ] || /usr/bin/python3 bench/deep_deflate_corpus.py "$corpus" >/dev/null || exit 1
work=$(mktemp -d)
profile=$(mktemp -d)  # a LibreOffice profile of its own, so that other runs do not lock it
trap 'rm -rf "$work" "$profile"' EXIT
score=bench/deep_deflate_score.py
readers="after"
[ -n "$before" ] && readers="before $readers"
[ "$peers" = 1 ] && readers="$readers docx2txt lo"

printf '%-10s %4s' class n
for r in $readers; do printf ' %22s' "$r w%/junk%/clear%"; done
printf '\n'
classes="s16rnd s16zero s16oth s128rnd s128zero s128oth s512rnd s512zero s512oth s4096rnd s4096zero s4096oth b1 b3 b8 rand1"
for class in $classes; do
  declare -A rec=() junk=() clear=()
  n=0
  for f in "$corpus"/*."$class".docx; do
    stem=${f%."$class".docx}
    truth=$stem.truth.txt
    expect=$stem.$class.expect.txt
    [ -f "$expect" ] || expect=$truth
    clearwords=$stem.$class.clear.txt
    [ -f "$clearwords" ] || clearwords=$truth
    n=$((n + 1))
    for r in $readers; do
      case $r in
        after) taskset -c 0 timeout 60 "$probe" "$f" >"$work/out.txt" 2>/dev/null ;;
        before) taskset -c 0 timeout 60 "$before" "$f" >"$work/out.txt" 2>/dev/null ;;
        docx2txt) timeout 60 docx2txt "$f" - >"$work/out.txt" 2>/dev/null ;;
        lo)
          rm -rf "$work/lo" && mkdir -p "$work/lo" && cp "$f" "$work/lo/in.docx"
          timeout 120 soffice -env:UserInstallation=file://$profile --headless --convert-to txt:Text \
            --outdir "$work/lo" "$work/lo/in.docx" >/dev/null 2>&1
          mv "$work/lo/in.txt" "$work/out.txt" 2>/dev/null || : >"$work/out.txt"
          ;;
      esac
      read -r a b < <(/usr/bin/python3 $score "$truth" "$expect" "$work/out.txt")
      rec[$r]=$(echo "${rec[$r]:-0} + $a" | bc)
      junk[$r]=$(echo "${junk[$r]:-0} + $b" | bc)
      read -r a b < <(/usr/bin/python3 $score "$truth" "$clearwords" "$work/out.txt")
      clear[$r]=$(echo "${clear[$r]:-0} + $a" | bc)
    done
  done
  printf '%-10s %4d' "$class" "$n"
  for r in $readers; do
    printf ' %8.1f/%6.1f/%6.1f' "$(echo "${rec[$r]} / $n" | bc -l)" "$(echo "${junk[$r]} / $n" | bc -l)" \
      "$(echo "${clear[$r]} / $n" | bc -l)"
  done
  printf '\n'
  unset rec junk clear
done
