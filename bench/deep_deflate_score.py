#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Scores one reader's output on a damaged-deflate corpus package.

    deep_deflate_score.py TRUTH.txt EXPECT.txt OUTPUT.txt

Prints "recovered junk": the share of the expected words (those outside
the damage's reach; EXPECT may be TRUTH) found in the output, each counted
as often as it occurs and at most 100, and the share of output words that
match no true word."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from deep_docx_score import words  # noqa: E402

truth, expect, got = words(sys.argv[1]), words(sys.argv[2]), words(sys.argv[3])
matched = sum(min(n, got[w]) for w, n in expect.items())
true_got = sum(min(n, truth[w]) for w, n in got.items())
total_got = sum(got.values())
recovered = min(100.0, 100.0 * matched / max(1, sum(expect.values())))
junk = 100.0 * (total_got - true_got) / total_got if total_got else 0.0
print(f"{recovered:.1f} {junk:.1f}")
