#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Scores the text each tool recovered from the Deep Recovery .doc corpus.

    bench/deep_doc_score.py CORPUS_DIR RESULTS_DIR TOOL...

RESULTS_DIR/TOOL/CLASS/FILE.txt is the tool's text for CORPUS_DIR/CLASS/FILE.
Words are runs of letters (each CJK character is one word), lowercased. Per
class and tool it prints the share of the true words recovered (multiset
intersection) and the junk words (recovered words not in the truth) as a
ratio of the true words.
"""
import collections
import os
import re
import sys

WORD = re.compile(r"[^\W\d_]+")
CJK = re.compile(r"[\u3040-\u30ff\u4e00-\u9fff\uac00-\ud7a3]")


def words(text):
    out = collections.Counter()
    for w in WORD.findall(text.lower()):
        if CJK.search(w):
            for part in re.split(r"([\u3040-\u30ff\u4e00-\u9fff\uac00-\ud7a3])", w):
                if part:
                    out[part] += 1
        else:
            out[w] += 1
    return out


def truth_for(corpus, cls, fname):
    base = fname[:-4]
    maker = cls
    if cls not in ("lo", "pandoc", "abiword", "w8"):  # a damaged copy: MAKER-NAME.doc
        maker, base = base.split("-", 1)
    folder = {"abiword": "truth-abiword", "pandoc": "truth-pandoc", "w8": "truth-w8"}.get(maker, "truth")
    with open(os.path.join(corpus, folder, base + ".txt"), encoding="utf-8") as f:
        return words(f.read())


def main():
    corpus, results, tools = sys.argv[1], sys.argv[2], sys.argv[3:]
    classes = sorted(d for d in os.listdir(corpus) if not d.startswith("truth"))
    print("%-12s %-10s %5s %8s %8s" % ("class", "tool", "files", "found%", "junk"))
    for cls in classes:
        files = sorted(os.listdir(os.path.join(corpus, cls)))
        for tool in tools:
            true_n = found = junk = 0
            for fname in files:
                t = truth_for(corpus, cls, fname)
                path = os.path.join(results, tool, cls, fname + ".txt")
                try:
                    with open(path, encoding="utf-8", errors="replace") as f:
                        got = words(f.read())
                except OSError:
                    got = collections.Counter()
                hit = sum((t & got).values())
                true_n += sum(t.values())
                found += hit
                junk += sum(got.values()) - hit
            print("%-12s %-10s %5d %7.1f%% %8.3f" % (cls, tool, len(files), 100.0 * found / max(true_n, 1),
                                                    junk / max(true_n, 1)))


if __name__ == "__main__":
    main()
