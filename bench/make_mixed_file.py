#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""make_mixed_file.py OUT MIB: a file of mixed text and binary bytes, MIB MiB long.

Text runs (letters, spaces, paragraph marks) alternate with random binary
runs. The binary never holds the end marker 0x25 0xB0, so the text engines
read the whole file; it does hold other 0x25 pairs and bytes above 0x7F.
"""
import random
import sys

out, mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(512)
words = "the harbour crane arrives on the fourth of march and the budget grew".split()
block = bytearray()
while len(block) < (1 << 20):
    text = " ".join(rng.choice(words) for _ in range(rng.randrange(200, 1200)))
    block += text.replace("march", "march\r").encode()
    binary = bytearray(rng.randbytes(rng.randrange(2000, 12000)))
    for i in range(1, len(binary)):
        if binary[i - 1] == 0x25 and binary[i] == 0xB0:
            binary[i] = 0xB1
    if binary and binary[-1] == 0x25:
        binary[-1] = 0x26
    block += binary
block = bytes(block[: 1 << 20])
if block[-1] == 0x25:
    block = block[:-1] + b"\x26"
with open(out, "wb") as f:
    for _ in range(mib):
        f.write(block)
