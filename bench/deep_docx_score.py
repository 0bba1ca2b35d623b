#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Scores one reader's output against a corpus package's truth.

    deep_docx_score.py TRUTH.txt OUTPUT.txt [MEDIA_DIR PICTURE_DIR]

Prints "recovered junk found expected": the share of true words recovered
(each true word counted as often as it occurs), the share of output words
that match no true word, and how many of the intact package's pictures
appear byte for byte among the pictures in PICTURE_DIR."""

import collections
import hashlib
import os
import re
import sys


def words(path):
    try:
        text = open(path, encoding="utf-8", errors="replace").read()
    except FileNotFoundError:
        text = ""
    return collections.Counter(w.lower() for w in re.findall(r"\w+", text))


def hashes(folder):
    if not folder or not os.path.isdir(folder):
        return set()
    out = set()
    for root, _, files in os.walk(folder):
        for f in files:
            out.add(hashlib.sha1(open(os.path.join(root, f), "rb").read()).hexdigest())
    return out


if __name__ == "__main__":
    truth, got = words(sys.argv[1]), words(sys.argv[2])
    matched = sum(min(n, got[w]) for w, n in truth.items())
    total_truth, total_got = sum(truth.values()), sum(got.values())
    recovered = 100.0 * matched / max(1, total_truth)
    junk = 100.0 * (total_got - matched) / max(1, total_got) if total_got else 0.0
    expected = hashes(sys.argv[3]) if len(sys.argv) > 3 else set()
    found = len(expected & hashes(sys.argv[4])) if len(sys.argv) > 4 else 0
    print(f"{recovered:.1f} {junk:.1f} {found} {len(expected)}")
