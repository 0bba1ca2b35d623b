#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Scores Deep and Quick Recovery on the foreign-bytes corpus of
bench/make_foreign_piece_corpus.py and prints the table of
bench/deep_docx_foreign_bench.sh.

    deep_docx_foreign_score.py PROBE KWRECOVER CORPUS

Per writer and placement: the cases, the share of true words Quick and Deep
recover, the least share of the main document's words Deep recovers in any
case, the cases where Deep gets fewer true words than Quick, the intact
package's pictures (less the one a piece overlaps) that Deep gives byte for
byte, and the cases where something of the foreign piece is taken for the
document's: a picture of the other .docx among Deep's pictures, or a word
of the other file before the end of the document's own text."""

import collections
import hashlib
import os
import re
import subprocess
import sys
import tempfile

probe, kwrecover, corpus = sys.argv[1:4]
NATO = set(("alpha bravo charlie delta echo foxtrot golf hotel india juliett kilo lima mike november oscar papa "
            "quebec romeo sierra tango uniform victor whiskey xray yankee zulu").split())


def counter(text):
    return collections.Counter(w.lower() for w in re.findall(r"\w+", text))


def share(truth, got):
    total = sum(truth.values())
    return 100.0 * sum(min(n, got[w]) for w, n in truth.items()) / max(1, total)


def hashes(folder, skip="-"):
    if not os.path.isdir(folder):
        return set()
    return {hashlib.sha1(open(os.path.join(folder, f), "rb").read()).hexdigest()
            for f in os.listdir(folder) if f != skip}


def run(cmd):
    """The command's standard output; nothing when it runs past two minutes."""
    try:
        out = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120).stdout
    except subprocess.TimeoutExpired:
        out = b""
    return out.decode("utf-8", "replace")


other = hashes(os.path.join(corpus, "other.media"))
rows = collections.OrderedDict()
for line in open(os.path.join(corpus, "manifest.tsv")):
    name, stem, placement, source, size, overlap = line.rstrip("\n").split("\t")
    path = os.path.join(corpus, name)
    truth = counter(open(os.path.join(corpus, stem + ".truth.txt")).read())
    main = counter(open(os.path.join(corpus, stem + ".main.txt")).read())
    with tempfile.TemporaryDirectory() as pics:
        deep = run([probe, path, "--pictures", pics])
        got = set()
        for f in os.listdir(pics):
            got.add(hashlib.sha1(open(os.path.join(pics, f), "rb").read()).hexdigest())
    quick = run([kwrecover, "quick", path])
    expected = hashes(os.path.join(corpus, stem + ".media"), overlap)
    deep_words, quick_words = counter(deep), counter(quick)
    own = [m.start() for m in re.finditer(r"\w+", deep) if m.group().lower() in truth]
    mixed = any(m.start() < own[-1] for m in re.finditer(r"\w+", deep) if own and m.group().lower() in NATO)
    r = rows.setdefault((stem.split(".", 1)[1], placement), collections.Counter())
    r["cases"] += 1
    r["quick"] += share(truth, quick_words)
    r["deep"] += share(truth, deep_words)
    r["main"] = min(r.get("main", 100.0), share(main, deep_words)) if r["cases"] > 1 else share(main, deep_words)
    r["worse"] += share(truth, deep_words) < share(truth, quick_words)
    r["found"] += len(expected & got)
    r["expected"] += len(expected)
    r["foreign"] += bool(got & other) or mixed

print("| writer | placement | cases | quick words % | deep words % | least main % | deep < quick | pictures exact |"
      " foreign taken |")
print("|---|---|---|---|---|---|---|---|---|")
met = True
for (writer, placement), r in rows.items():
    n = r["cases"]
    print(f"| {writer} | {placement} | {n} | {r['quick'] / n:.1f} | {r['deep'] / n:.1f} | {r['main']:.1f} |"
          f" {r['worse']} | {r['found']}/{r['expected']} | {r['foreign']} |")
    met = met and r["main"] >= 100.0 and r["worse"] == 0 and r["found"] == r["expected"] and r["foreign"] == 0
print("targets (every case: deep >= quick, 100 % of the main document, pictures exact, nothing foreign taken):",
      "met" if met else "NOT met")
