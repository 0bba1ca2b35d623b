#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Deep Recovery .doc pictures bench: builds the corpus
# (bench/make_doc_pictures_corpus.py, through LibreOffice's Python bridge), then
#   1. scores every file, intact and damaged, against what was inserted and
#      against foremost (bench/doc_pictures_score.py);
#   2. the instructions and CPU time (user+sys, best of 5, pinned to one
#      core by bench/timing.py) of `deep` on files without pictures against an older build
#      (target: at most 1.20 in instructions), and with the pictures written;
#   3. peak memory of `deep --pictures` against 64 MiB + the text + the
#      largest picture, on the corpus and on hostile 64 MiB files (picture
#      records packed end to end, records that only look like pictures, old
#      style picture headers), with deep's CPU time against the older
#      build's (bound: 1.2x; cat's for scale).
#
#   bench/doc_pictures_bench.sh [BUILD_DIR] [OLD_KWRECOVER] [OUT_DIR]
# OLD_KWRECOVER: kwrecover built from main before the pictures (speed rows
# are left out without it). Needs what bench/setup.sh installs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
old=${2:-}
out=${3:-/tmp/doc_pictures_bench}
kw=$build/cli/kwrecover
ninja -C "$build" kwrecover >/dev/null || exit 1
corpus=$out/corpus
mkdir -p "$out"
[ -e "$corpus/doc/plain.doc" ] || /usr/bin/python3 "$here/make_doc_pictures_corpus.py" "$corpus" >/dev/null || exit 1
[ -e "$out/big-text.doc" ] || python3 "$here/make_word97_doc.py" "$out/big-text.doc" 32 >/dev/null || exit 1

echo "## Pictures and embedded documents, per file"
echo
/usr/bin/python3 "$here/doc_pictures_score.py" "$kw" "$corpus" "$out/score"
status=$?

source "$here/timing.sh"
cpu() {  # least user+sys seconds of 5 runs of "$@", pinned (bench/timing.py)
  python3 "$here/timing.py" --runs 5 -- "$@" | cut -d' ' -f1
}
peak_kib() {  # peak memory of one run of "$@" (bench/timing.py)
  once "$@" | cut -d' ' -f3
}

instructions() {  # instructions one run of "$@" executes (callgrind)
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | awk '/Collected/ {print $4}'
}

echo
echo "## Speed (CPU seconds, best of 5, one core)"
echo
if [ -n "$old" ]; then
  echo "| file | before | now | ratio |"
  echo "|---|---|---|---|"
  for f in "$corpus/doc/plain.doc" "$out/big-text.doc"; do
    a=$(instructions "$old" deep "$f" -o "$out/x.txt")
    b=$(instructions "$kw" deep "$f" -o "$out/x.txt")
    r=$(python3 -c "print('%.3f' % ($b / $a))")
    echo "| $(basename "$f"), no pictures (instructions) | $a | $b | $r |"
    python3 -c "import sys; sys.exit(0 if $b <= 1.2 * $a else 1)" || status=1
    a=$(cpu "$old" deep "$f" -o "$out/x.txt")
    b=$(cpu "$kw" deep "$f" -o "$out/x.txt")
    echo "| $(basename "$f"), no pictures (CPU s) | $a | $b | $(python3 -c "print('%.2f' % ($b / max($a, 1e-4)))") |"
  done
  for f in "$corpus/doc/mixed.doc" "$corpus/doc/many.doc"; do
    a=$(cpu "$old" deep "$f" -o "$out/x.txt")
    b=$(cpu sh -c "rm -rf '$out/pics'; '$kw' deep '$f' -o '$out/x.txt' --pictures '$out/pics'")
    echo "| $(basename "$f"), $(ls "$out/pics" | wc -l) pictures written (CPU s) | $a | $b |" \
      "$(python3 -c "print('%.2f' % ($b / max($a, 1e-4)))") |"
  done
else
  echo "(no older build given)"
fi

echo
echo "## Peak memory of deep --pictures"
echo
echo "| file | size MiB | text KiB | largest picture KiB | peak MiB | bound MiB |"
echo "|---|---|---|---|---|---|"
for f in "$corpus/doc/mixed.doc" "$corpus/doc/many.doc" "$out/big-text.doc"; do
  rm -rf "$out/pics"
  peak=$(peak_kib "$kw" deep "$f" -o "$out/text.txt" --pictures "$out/pics")
  text=$(stat -c %s "$out/text.txt")
  largest=$( (stat -c %s "$out/pics"/* 2>/dev/null || echo 0) | sort -n | tail -1)
  python3 - "$f" "$peak" "$text" "$largest" <<'PY' || status=1
import os, sys
f, peak, text, largest = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
bound = 64 * 1024 + text / 1024 + largest / 1024
print("| %s | %.1f | %d | %d | %.1f | %.1f |" % (os.path.basename(f), os.path.getsize(f) / 2**20, text / 1024,
                                               largest / 1024, peak / 1024, bound / 1024))
sys.exit(0 if peak <= bound else 1)
PY
done

echo
echo "## Hostile files (64 MiB, no container)"
echo
echo "| file | cat CPU s | deep before CPU s | deep now CPU s | now/before | peak MiB (with --pictures) | pictures written |"
echo "|---|---|---|---|---|---|---|"
python3 - "$out" <<'PY'
import os, struct, sys
out = sys.argv[1]
size = 64 << 20
def fill(unit):
    return (unit * (size // len(unit) + 1))[:size]
jpeg = b"\xFF\xD8\xFF\xE0" + b"j" * 12 + b"\xFF\xD9"
blip = struct.pack("<HHI", 0x46A << 4, 0xF01D, 17 + len(jpeg)) + b"u" * 16 + b"\xFF" + jpeg
fake = struct.pack("<HHI", 0x46A << 4, 0xF01D, 1 << 30) + b"u" * 17 + b"zz"
picf = (struct.pack("<IHHhh", 0x44 + 64, 0x44, 8, 100, 100) + bytes(56)
        + struct.pack("<HHHIHIH", 1, 9, 0x300, 32, 0, 3, 0) + bytes(46))
for name, unit in (("blips.bin", blip), ("fake-blips.bin", fake), ("picfs.bin", picf)):
    path = os.path.join(out, name)
    if not os.path.exists(path):
        open(path, "wb").write(fill(unit))
PY
for f in blips.bin fake-blips.bin picfs.bin; do
  p="$out/$f"
  c=$(cpu cat "$p")
  a=0
  [ -n "$old" ] && a=$(cpu "$old" deep "$p" -o "$out/x.txt")
  d=$(cpu "$kw" deep "$p" -o "$out/x.txt")
  rm -rf "$out/pics"
  peak=$(peak_kib "$kw" deep "$p" -o "$out/x.txt" --pictures "$out/pics")
  n=$(ls "$out/pics" 2>/dev/null | wc -l)
  python3 - "$f" "$c" "$a" "$d" "$peak" "$n" "$(stat -c %s "$out/x.txt")" <<'PY' || status=1
import sys
f, c, a, d = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
peak, n, text = int(sys.argv[5]), sys.argv[6], int(sys.argv[7])
ratio = "%.2f" % (d / a) if a > 0 else "-"
print("| %s | %.3f | %.2f | %.2f | %s | %.1f | %s |" % (f, c, a, d, ratio, peak / 1024, n))
sys.exit(0 if peak / 1024 <= 64 + text / 2**20 + 1 and (a == 0 or d <= 1.2 * a + 0.02) else 1)
PY
done
rm -rf "$out/pics"
exit $status
