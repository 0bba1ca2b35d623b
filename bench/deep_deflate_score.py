#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Scores one reader's output on a damaged-deflate corpus package.

    deep_deflate_score.py TRUTH.txt EXPECT.txt OUTPUT.txt

Prints "recovered junk": the share of the expected words (those outside
the damage's reach; EXPECT may be TRUTH) found in the output, each counted
as often as it occurs and at most 100, and the share of output words that
match no true word."""

import collections
import re
import sys


def words(path):
    try:
        text = open(path, encoding="utf-8", errors="replace").read()
    except FileNotFoundError:
        text = ""
    return collections.Counter(w.lower() for w in re.findall(r"\w+", text))


truth, expect, got = words(sys.argv[1]), words(sys.argv[2]), words(sys.argv[3])
matched = sum(min(n, got[w]) for w, n in expect.items())
true_got = sum(min(n, truth[w]) for w, n in got.items())
total_got = sum(got.values())
recovered = min(100.0, 100.0 * matched / max(1, sum(expect.values())))
junk = 100.0 * (total_got - true_got) / total_got if total_got else 0.0
print(f"{recovered:.1f} {junk:.1f}")
