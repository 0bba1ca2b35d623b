#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery .docx bench: our reader against docx2txt, LibreOffice's text
# export and (for pictures) unzip, on the corpus of bench/make_damaged_docx_corpus.py.
#
#   bench/deep_docx_bench.sh [BUILD_DIR] [CORPUS_DIR]
#
# Prints one table per damage class: per reader, the share of true words
# recovered, the junk ratio (output words matching no true word) and the
# pictures found byte for byte out of those in the intact packages, summed
# over the corpus. Needs bench/setup.sh (as root) first.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deepdocx}
corpus=${2:-/tmp/deep_docx_corpus}
probe=$build/bench/kw_deep_docx_probe
ninja -C "$build" kw_deep_docx_probe >/dev/null || exit 1
[ -d "$corpus" ] || /usr/bin/python3 bench/make_damaged_docx_corpus.py "$corpus" || exit 1
work=$(mktemp -d)
profile=$(mktemp -d)  # a LibreOffice profile of its own, so that other runs do not lock it
trap 'rm -rf "$work" "$profile"' EXIT
score=bench/deep_docx_score.py

for class in intact name rand1 ctstored zip64 cuthalf trunc50 trunc90; do
  declare -A rec=() junk=() found=() expect=()
  n=0
  for f in "$corpus"/*."$class".docx; do
    stem=${f%."$class".docx}
    truth=$stem.truth.txt
    media=$stem.media
    n=$((n + 1))
    rm -rf "$work"/*
    mkdir -p "$work/ours" "$work/unzip" "$work/lo"
    timeout 60 "$probe" "$f" --pictures "$work/ours" >"$work/ours.txt" 2>/dev/null
    timeout 60 docx2txt "$f" - >"$work/docx2txt.txt" 2>/dev/null
    cp "$f" "$work/lo/in.docx"
    timeout 120 soffice -env:UserInstallation=file://$profile --headless --convert-to txt:Text --outdir "$work/lo" \
      "$work/lo/in.docx" >/dev/null 2>&1
    mv "$work/lo/in.txt" "$work/lo.txt" 2>/dev/null || : >"$work/lo.txt"
    timeout 60 unzip -o -qq "$f" 'word/media/*' -d "$work/unzip" >/dev/null 2>&1
    for reader in ours docx2txt lo; do
      case $reader in ours) pics=$work/ours ;; lo) pics=$work/unzip ;; *) pics=/nonexistent ;; esac
      read -r r j fo ex < <(/usr/bin/python3 $score "$truth" "$work/$reader.txt" "$media" "$pics")
      rec[$reader]=$(echo "${rec[$reader]:-0} + $r" | bc)
      junk[$reader]=$(echo "${junk[$reader]:-0} + $j" | bc)
      found[$reader]=$((${found[$reader]:-0} + fo))
      expect[$reader]=$((${expect[$reader]:-0} + ex))
    done
  done
  echo "== $class ($n packages)"
  printf '  %-26s %10s %8s %10s\n' reader "words %" "junk %" pictures
  for reader in ours docx2txt lo; do
    case $reader in
      ours) name="kw deep reader" ;; docx2txt) name="docx2txt" ;; lo) name="LibreOffice text / unzip" ;;
    esac
    pic="${found[$reader]}/${expect[$reader]}"
    [ "$reader" = docx2txt ] && pic="-"
    printf '  %-26s %10.1f %8.1f %10s\n' "$name" "$(echo "${rec[$reader]} / $n" | bc -l)" \
      "$(echo "${junk[$reader]} / $n" | bc -l)" "$pic"
  done
  unset rec junk found expect
done
