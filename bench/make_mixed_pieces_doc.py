#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""make_mixed_pieces_doc.py OUT MIB [DAMAGE]: a Word 97 .doc of about MIB MiB of text
for Deep Recovery's streaming path, unlike bench/make_word97_doc.py in pieces
of both kinds: 8-bit Windows-1252 pieces and UTF-16 pieces (accents,
Cyrillic, CJK, surrogate pairs), with fields, table rows and Word's other
control characters, and a footnote story. The main stream's sectors are
interleaved with another stream's, so that its chain is many runs.

DAMAGE, to compare outputs on damaged copies: cut (the file ends at 60%),
fat (the first FAT sector zeroed), link (a FAT link in the main stream's
chain freed), dir (the directory zeroed), clx (the piece table's marker
broken), odd (the last UTF-16 piece moved one byte past the stream's end).
"""
import random
import struct
import sys

from compound_file_parts import END, FAT, FREE, SECTOR, header
from compound_file_parts import directory as cfb_directory
PIECE = 1 << 20  # characters per piece

WORDS8 = ("harbour crane arrives fourth march budget grew caf\xe9 na\xefve r\xe9sum\xe9 "
          "\u201cquoted\u201d \u2013 \u20ac5 letter 100% tab\there").split(" ")
WORDS16 = ("river bridge caf\u00e9 \u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440 "
           "\u6771\u4eac \U0001F600 smile \u00c5ngstr\u00f6m plain ascii words only").split(" ")


def paragraphs(rng, words, size):
    """Text of about `size` characters, with Word's marks mixed in."""
    out = []
    n = 0
    while n < size:
        para = " ".join(rng.choice(words) for _ in range(rng.randrange(20, 120)))
        kind = rng.randrange(12)
        if kind == 0:
            para += " \x13 PAGE \\* MERGEFORMAT \x14" + "7\x15 after"
        elif kind == 1:
            para = "cell one\x07cell two\x07\x07" + para
        elif kind == 2:
            para += " non\x1ebreaking soft\x1fhyphen\x01anchor\x0bline"
        elif kind == 3:
            para += "\x0c"
        para = para.capitalize() + ".\r"
        out.append(para)
        n += len(para)
    return "".join(out)[:size]


def encode(text, eight_bit):
    if eight_bit:
        return text.encode("cp1252", errors="replace")
    return text.encode("utf-16-le")


def build(mib):
    rng = random.Random(2026)
    total = mib << 20
    chunks = []  # (bytes, eight_bit, characters)
    done = 0
    k = 0
    while done < total:
        eight = k % 2 == 0
        text = paragraphs(rng, WORDS8 if eight else WORDS16, PIECE)
        data = encode(text, eight)
        chars = len(data) if eight else len(data) // 2
        chunks.append((data, eight, chars))
        done += len(data)
        k += 1
    fib = bytearray(0x400)
    main = bytearray()
    cps = [0]
    pcds = b""
    for data, eight, chars in chunks:
        fc = 0x400 + len(main)
        pcds += struct.pack("<HIH", 0, (fc * 2) | 0x40000000 if eight else fc, 0)
        main += data
        cps.append(cps[-1] + chars)
    ccp = cps[-1]
    footnote = min(5000, ccp // 10)
    struct.pack_into("<HHHH", fib, 0, 0xA5EC, 0xC1, 0, 0)
    struct.pack_into("<H", fib, 0x0A, 0x0200)  # the table stream is 1Table
    struct.pack_into("<H", fib, 0x20, 14)
    struct.pack_into("<H", fib, 0x3E, 22)
    struct.pack_into("<I", fib, 0x40, 0x400 + len(main))
    struct.pack_into("<II", fib, 0x4C, ccp - footnote, footnote)
    plc = struct.pack("<%dI" % len(cps), *cps) + pcds
    table = b"\x02" + struct.pack("<I", len(plc)) + plc
    struct.pack_into("<II", fib, 0x1A2, 0, len(table))
    return bytes(fib) + bytes(main), table


def cfb(main, table, filler):
    """Version 4 compound file: the main stream's sectors interleaved with filler's."""
    pad = lambda b: b + bytes((-len(b)) % SECTOR) if len(b) >= 4096 else b + bytes(4096 - len(b))
    main, table, filler = pad(main), pad(table), pad(filler)
    nmain, ntable, nfill = len(main) // SECTOR, len(table) // SECTOR, len(filler) // SECTOR
    per = SECTOR // 4
    nsect = nmain + ntable + nfill + 1
    nfat = 1
    while nfat * per < nsect + nfat:
        nfat += 1
    assert nfat <= 109, "too big for a FAT without DIFAT sectors"
    order = []  # stream index of each sector after the FAT and the directory
    m = f = 0
    while m < nmain or f < nfill:
        run = 1 + (m * 7) % 13  # uneven runs of main sectors
        for _ in range(min(run, nmain - m)):
            order.append(0)
            m += 1
        if f < nfill:
            order.append(2)
            f += 1
    order += [1] * ntable
    first = nfat + 1
    sectors = {0: [], 1: [], 2: []}
    for i, s in enumerate(order):
        sectors[s].append(first + i)
    fat = [FAT] * nfat + [END] + [FREE] * len(order)
    for chain in sectors.values():
        for a, b in zip(chain, chain[1:]):
            fat[a] = b
        if chain:
            fat[chain[-1]] = END
    fat += [FREE] * (nfat * per - len(fat))

    names = [("WordDocument", main), ("1Table", table), ("Data", filler)]
    directory = cfb_directory(names, [sectors[i][0] for i in range(len(names))])
    head = header(nfat)
    bodies = {0: main, 1: table, 2: filler}
    index = {0: 0, 1: 0, 2: 0}
    out = bytearray(head) + struct.pack("<%dI" % len(fat), *fat) + directory
    for s in order:
        out += bodies[s][index[s] * SECTOR:(index[s] + 1) * SECTOR]
        index[s] += 1
    return out, sectors[0], nfat


def damage(doc, kind, main_sectors, nfat):
    at = lambda sector: (sector + 1) * SECTOR
    if kind == "cut":
        del doc[len(doc) * 6 // 10:]
    elif kind == "fat":
        doc[at(0):at(1)] = bytes(SECTOR)
    elif kind == "link":
        s = main_sectors[len(main_sectors) // 3]
        struct.pack_into("<I", doc, at(0) + 4 * s, FREE)  # FAT sector 0 holds the first 1024 links
    elif kind == "dir":
        doc[at(nfat):at(nfat + 1)] = bytes(SECTOR)
    elif kind == "clx":
        table_sector = struct.unpack_from("<I", doc, at(nfat) + 128 * 2 + 0x74)[0]
        doc[at(table_sector)] = 0x07
    elif kind == "odd":
        # The last piece's bytes moved to one byte before the main stream's end.
        size = struct.unpack_from("<I", doc, at(nfat) + 128 + 0x78)[0]
        table_sector = struct.unpack_from("<I", doc, at(nfat) + 128 * 2 + 0x74)[0]
        lcb = struct.unpack_from("<I", doc, at(table_sector) + 1)[0]
        n = (lcb - 4) // 12
        pcd = at(table_sector) + 5 + 4 * (n + 1) + 8 * (n - 1)
        struct.pack_into("<I", doc, pcd + 2, size - 1)
    elif kind:
        sys.exit("unknown damage " + kind)


def main():
    out, mib = sys.argv[1], int(sys.argv[2])
    kind = sys.argv[3] if len(sys.argv) > 3 else ""
    body, table = build(mib)
    filler = bytes(random.Random(7).randrange(256) for _ in range(max(4096, len(body) // 40)))
    doc, main_sectors, nfat = cfb(body, table, filler)
    damage(doc, kind, main_sectors, nfat)
    with open(out, "wb") as f:
        f.write(doc)


if __name__ == "__main__":
    main()
