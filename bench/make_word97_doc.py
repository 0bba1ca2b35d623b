#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""make_word97_doc.py OUT MIB: a sound Word 97 .doc holding MIB MiB of 8-bit text.

One piece of Windows-1252 text (paragraphs of words, some accented) in a
compound file with 4096-byte sectors, so that a FAT of up to 109 sectors
covers it without DIFAT sectors (up to about 400 MiB). Quick Recovery reads
it from offset 0xA00; Deep Recovery reads it through the FIB and the piece
table.
"""
import random
import struct
import sys

from compound_file_parts import END, FAT, FREE, SECTOR, header
from compound_file_parts import directory as cfb_directory


def text_bytes(size):
    rng = random.Random(97)
    words = ("the harbour crane arrives on the fourth of march and the budget grew caf\xe9 na\xefve "
             "r\xe9sum\xe9 \x93quoted\x94 \x96 letter").split()
    block = bytearray()
    while len(block) < (1 << 20):
        para = " ".join(rng.choice(words) for _ in range(rng.randrange(20, 120)))
        block += para.capitalize().encode("latin-1") + b".\r"
    out = bytearray()
    while len(out) < size:
        out += block
    return bytes(out[:size])


def cfb(streams):
    """A version 4 compound file holding `streams` [(name, bytes)]."""
    bodies = []
    for name, body in streams:
        body = body + bytes(max(0, 4096 - len(body)))  # no small streams
        bodies.append((name, body + bytes((-len(body)) % SECTOR)))
    per = SECTOR // 4
    nsect = sum(len(b) // SECTOR for _, b in bodies) + 1
    nfat = 1
    while nfat * per < nsect + nfat:
        nfat += 1
    assert nfat <= 109, "too big for a FAT without DIFAT sectors"
    fat = [FAT] * nfat + [END]  # the FAT, then the directory
    starts = []
    for _, body in bodies:
        first, count = len(fat), len(body) // SECTOR
        fat += [first + i + 1 for i in range(count - 1)] + [END]
        starts.append(first)
    fat += [FREE] * (nfat * per - len(fat))

    directory = cfb_directory(bodies, starts)
    head = header(nfat)
    return [head, struct.pack("<%dI" % len(fat), *fat), directory] + [b for _, b in bodies]


def main():
    out, mib = sys.argv[1], int(sys.argv[2])
    text = text_bytes(mib << 20)
    fib = bytearray(0x400)
    struct.pack_into("<HHHH", fib, 0, 0xA5EC, 0xC1, 0, 0)
    struct.pack_into("<H", fib, 0x0A, 0x0200)  # the table stream is 1Table
    struct.pack_into("<H", fib, 0x20, 14)
    struct.pack_into("<H", fib, 0x3E, 22)
    struct.pack_into("<H", fib, 0x98, 0x5D)
    struct.pack_into("<I", fib, 0x40, 0x400 + len(text))
    struct.pack_into("<I", fib, 0x4C, len(text))
    plc = struct.pack("<II", 0, len(text)) + struct.pack("<HIH", 0, (0x400 * 2) | 0x40000000, 0)
    table = b"\x02" + struct.pack("<I", len(plc)) + plc
    struct.pack_into("<II", fib, 0x1A2, 0, len(table))
    with open(out, "wb") as f:
        for part in cfb([("WordDocument", bytes(fib) + text), ("1Table", table)]):
            f.write(part)


main()
