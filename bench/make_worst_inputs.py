#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the worst inputs of the time and memory bounds of Deep Recovery,
and of the paths that must stream, at a given size.

    bench/make_worst_inputs.py DIR MIB [NAME...]

Each input is DIR/NAME, about MIB MiB (files that already exist are kept):
  dir-entries.doc     a compound file whose sectors are all directory
                      entries, each naming a stream as long as the file, with
                      no FAT: every entry is looked up and its chain walked
  dir-entries-scanned.doc  the same without its signature: every entry is
                      found by the scan for lost entries
  lost-table.doc      a Word 97 main stream whose table stream's entry is
                      lost, its piece table said to lie far into the stream,
                      and hundreds of chains (and small-stream chains) that
                      all run on into one long chain: the candidates to try
  fat-every-sector.doc  a header and DIFAT that list every sector as a FAT
                      sector, each full of links
  rtf.doc             RTF under a .doc name
  pieces.doc          a Word 97 file whose piece table holds a piece per
                      character (millions of pieces)
  pictures.docx       a package of pictures: MIB MiB of stored JPEG entries
  picture-bombs.docx  a 1 MiB package of deflated PNG entries that each
                      inflate to the per-entry limit
  xml-merged.docx     Quick and Salvage: 2 x MIB MiB of deflated paragraphs
                      after a "<" in character data that nothing closes, so
                      that tags merge and the literal passes decide
  xml-comment.docx    MIB MiB of stored paragraphs after an unclosed "<!--"
  xml-distinct-merged.docx  a "<" left open, then MIB MiB of distinct tags
  xml-big.docx        deflated paragraphs inflating to 2 x MIB MiB of XML
  damaged-entries.docx  MIB MiB (100 for the bound) of small deflated XML
                      entries, each damaged so that it must be repaired
  unknown-marks.docx  MIB MiB of stored XML that holds the unknown-byte mark
                      (0xFF), so that Deep reads it whole: a run of "&"
                      before one ";", then "<" and 0xFF over and over
                      before one ">"
"""
import os
import random
import struct
import sys
import zlib

from compound_file_parts import END, FAT, FREE, directory_entry, header

SECTOR3 = 512


def header3(fat_count, first_dir, first_difat=END, difat_count=0, listed=()):
    """A version 3 header (512-byte sectors) whose DIFAT lists `listed`."""
    h = bytearray(SECTOR3)
    h[:8] = bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1])
    struct.pack_into("<HHHHH", h, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIIII", h, 0x28, 0, fat_count, first_dir, 0, 4096, END, 0, first_difat, difat_count)
    for i in range(109):
        struct.pack_into("<I", h, 0x4C + 4 * i, listed[i] if i < len(listed) else FREE)
    return bytes(h)


def entry(name, typ, start, size):
    return directory_entry(name, typ, start, size, FREE, FREE)


def dir_entries(size):
    sectors = size // SECTOR3 - 1
    out = bytearray(header3(0, 0))
    n = sectors * 4
    for i in range(n):
        out += entry("e%x" % i, 2, (i * 7919) % sectors, size)
    return bytes(out)


def dir_entries_scanned(size):
    return b"\0" + dir_entries(size)[1:]


def fib97(fc_clx, lcb_clx, ccp_text, table1=True):
    fib = bytearray(0x400)
    struct.pack_into("<HHHH", fib, 0, 0xA5EC, 0xC1, 0, 0)
    struct.pack_into("<H", fib, 0x0A, 0x0200 if table1 else 0)
    struct.pack_into("<H", fib, 0x20, 14)
    struct.pack_into("<H", fib, 0x3E, 22)
    struct.pack_into("<I", fib, 0x40, 0x400)
    struct.pack_into("<II", fib, 0x4C, ccp_text, 0)
    struct.pack_into("<II", fib, 0x1A2, fc_clx, lcb_clx)
    return fib


def lost_table(size):
    sector, per = 4096, 1024
    nsect = size // sector - 1
    nfat = (nsect + per - 1) // per
    first = nfat + 2  # FAT, directory, small-stream FAT
    word, starts, long_first = first, first + 1, first + 513
    fat = [FAT] * nfat + [END, END, END] + [long_first] * 512
    fat += list(range(long_first + 1, nsect)) + [END]
    fat += [FREE] * (nfat * per - len(fat))
    d = entry("Root Entry", 5, starts, (nsect - starts) * sector) + entry("WordDocument", 2, word, sector)
    d += bytes(sector - len(d))
    fib = fib97((nsect - first) * sector // 2, 16, 100) + b"text" * 100
    out = bytearray(header(nfat))
    struct.pack_into("<II", out, 0x3C, nfat + 1, 1)  # the small-stream FAT
    out += struct.pack("<%dI" % len(fat), *fat) + d + struct.pack("<I", END) * per
    out += fib + bytes(sector - len(fib))
    out += bytes((nsect - first - 1) * sector)
    return bytes(out)


def fat_every_sector(size):
    sectors = size // SECTOR3 - 1
    per = SECTOR3 // 4
    # DIFAT sectors at the start, each listing the next 127 sectors and linking on.
    ndifat = (sectors - 109 + per - 2) // (per - 1)
    out = bytearray(header3(sectors, END, 0, ndifat, list(range(109))))
    listed = 109
    for k in range(ndifat):
        row = [(listed + i) % sectors for i in range(per - 1)]
        listed += per - 1
        out += struct.pack("<%dI" % per, *row, k + 1 if k + 1 < ndifat else END)
    out += b"\x01" * (size - len(out))
    return bytes(out)


def rtf(size):
    # Every paragraph numbered, from the list tables or from its {\pn}
    # description, and holding a note.
    head = (b"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\n"
            b"{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}"
            b"{\\listlevel\\levelnfc2{\\leveltext\\'04\\'00.\\'01.;}}\\listid1}}"
            b"{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\n")
    unit = (b"\\pard\\plain\\ls1\\ilvl1\\f0\\fs20 Recovered {\\b text} \\'e9t\\'e9 \\u8364? line"
            b"{\\chftn}{\\footnote\\chftn  note}\\par\n"
            b"\\pard\\plain{\\*\\pn\\pnlvl2\\pnlcrm\\pnprev{\\pntxtb (}{\\pntxta )}}\\f0 Old {\\b text}"
            b"{\\chftn}{\\footnote\\chftn  note}\\par\n")
    body = unit * ((size - len(head) - 1) // len(unit))
    return head + body + b"}"


def pieces(size):
    n = size // 13
    rng = random.Random(7)
    text = bytes(rng.choice(b"abcdefghij klmnop\r") for _ in range(min(n, 1 << 16)))
    text = (text * (n // len(text) + 1))[:n]
    cps = struct.pack("<%dI" % (n + 1), *range(n + 1))
    pcds = b"".join(struct.pack("<HIH", 0, ((0x400 + i) * 2) | 0x40000000, 0) for i in range(n))
    plc = cps + pcds
    table = b"\x02" + struct.pack("<I", len(plc)) + plc
    main = bytes(fib97(0, len(table), n)) + text
    sector, per = 4096, 1024
    pad = lambda b: b + bytes(-len(b) % sector)
    main, table = pad(main), pad(table)
    nmain, ntable = len(main) // sector, len(table) // sector
    nsect = nmain + ntable + 1
    nfat = 1
    while nfat * per < nsect + nfat:
        nfat += 1
    first = nfat + 1
    fat = [FAT] * nfat + [END]
    fat += list(range(first + 1, first + nmain)) + [END]
    fat += list(range(first + nmain + 1, first + nmain + ntable)) + [END]
    fat += [FREE] * (nfat * per - len(fat))
    d = entry("Root Entry", 5, END, 0) + entry("WordDocument", 2, first, len(main))
    d += entry("1Table", 2, first + nmain, len(table))
    d += bytes(sector - len(d))
    return header(nfat) + struct.pack("<%dI" % len(fat), *fat) + d + main + table


def local(name, data, method, crc=None, raw=None):
    """A local entry: header, name, data (raw deflate when `method` is 8)."""
    body = raw if raw is not None else (zlib.compress(data, 6)[2:-4] if method == 8 else data)
    crc = zlib.crc32(data) if crc is None else crc
    head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, method, 0, 0, crc, len(body), len(data), len(name), 0)
    return head + name + body


def package(entries):
    """Local entries, then their central directory."""
    out, central = bytearray(), bytearray()
    for name, data, method, raw in entries:
        at = len(out)
        out += local(name, data, method, raw=raw)
        head = out[at:at + 30]
        _, ver, flags, meth, t, d, crc, csize, usize, nlen, xlen = struct.unpack("<IHHHHHIIIHH", head)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, ver, flags, meth, t, d, crc, csize, usize, nlen, 0,
                               0, 0, 0, 0, at) + name
    count = min(len(entries), 0xFFFF)  # more need ZIP64, which a damaged package may well lack
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), len(out), 0)
    return bytes(out + central + end)


DOC_XML = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document xmlns:w="http://schemas.'
           b'openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>Pictures follow.</w:t></w:r>'
           b'</w:p></w:body></w:document>')


def jpeg(rng, n):
    return b"\xFF\xD8\xFF\xE0\x00\x10JFIF\x00" + rng.randbytes(n - 15) + b"\xFF\xD9"


def pictures(size):
    rng = random.Random(3)
    entries = [(b"word/document.xml", DOC_XML, 8, None)]
    k = 0
    while sum(len(e[1]) for e in entries) < size - (1 << 20):
        entries.append((b"word/media/image%d.jpeg" % k, jpeg(rng, 1 << 20), 0, None))
        k += 1
    return package(entries)


def picture_bombs(size):
    png = b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + struct.pack(">IIBBBBB", 64, 64, 8, 2, 0, 0, 0)
    z = zlib.compressobj(9, zlib.DEFLATED, -15)
    raw = z.compress(png) + z.compress(bytes(256 << 20)) + z.flush()
    entries = [(b"word/document.xml", DOC_XML, 8, None)]
    for k in range(max(1, (1 << 20) // len(raw))):
        entries.append((b"word/media/image%d.png" % k, png, 8, raw))
    return package(entries)


def stored_document(xml):
    return package([(b"word/document.xml", xml, 0, None)])


PARAGRAPH = (b'<w:p w:rsidR="00%06X" w:rsidRDefault="00A1B2C3"><w:pPr><w:spacing w:after="120"/></w:pPr><w:r>'
             b'<w:rPr><w:b/></w:rPr><w:t xml:space="preserve">Paragraph %d of the recovered text, '
             b'with some words &amp; more.</w:t></w:r></w:p>')


def paragraphs(size):
    out, k = [], 0
    total = 0
    while total < size:
        p = PARAGRAPH % (k % 4096, k)
        out.append(p)
        total += len(p)
        k += 1
    return b"".join(out)[:size]


def xml_merged(size):
    # A "<" in the character data that nothing closes: every tag after it can
    # merge, so the literal passes decide, over 2 x MIB MiB of deflated XML.
    head = b"<w:document><w:body><w:p><w:r><w:t>a < b</w:t></w:r></w:p>"
    return package([(b"word/document.xml", head + paragraphs(2 * size) + b"</w:body></w:document>", 8, None)])


def xml_comment(size):
    # A comment that never closes, before the whole document.
    return stored_document(b"<w:document><!-- draft: " + paragraphs(size) + b"</w:document>")


def unknown_marks(size):
    half = size // 2
    xml = b"\xff<w:p><w:r><w:t>" + b"&" * half + b";</w:t></w:r></w:p>" + b"<\xff" * (half // 2) + b">"
    return stored_document(xml)


def xml_distinct_merged(size):
    # A "<" left open, then distinct tags: every round of the loop removes one tag text.
    xml, k = bytearray(b"<"), 0
    while len(xml) < size:
        xml += b"<%x>" % k
        k += 1
    return stored_document(bytes(xml[:size]))


def xml_big(size):
    unit = b"<w:p><w:r><w:t>Recovered paragraph text &amp; more</w:t></w:r></w:p>"
    xml = unit * (2 * size // len(unit))
    return package([(b"word/document.xml", xml, 8, None)])


def damaged_entries(size):
    rng = random.Random(11)
    para = b"<w:p><w:r><w:t>%s</w:t></w:r></w:p>"
    kinds = []  # a few documents, each damaged every 97 bytes from its first third on
    for _ in range(64):
        xml = b"<w:document><w:body>" + b"".join(
            para % bytes(rng.choice(b"abcdefgh ") for _ in range(40)) for _ in range(60)) + b"</w:body></w:document>"
        raw = bytearray(zlib.compress(xml, 6)[2:-4])
        for i in range(len(raw) // 3, len(raw), 97):
            raw[i] ^= 0x5A
        kinds.append((xml, bytes(raw)))
    entries = []
    total = 0
    while total < size:
        xml, raw = kinds[len(entries) % len(kinds)]
        k = len(entries)
        name = b"word/document.xml" if k == 0 else b"word/part%d.xml" % k
        entries.append((name, xml, 8, raw))
        total += len(raw) + 2 * len(name) + 76
    return package(entries)


MAKERS = {
    "dir-entries.doc": dir_entries,
    "dir-entries-scanned.doc": dir_entries_scanned,
    "lost-table.doc": lost_table,
    "fat-every-sector.doc": fat_every_sector,
    "rtf.doc": rtf,
    "pieces.doc": pieces,
    "pictures.docx": pictures,
    "picture-bombs.docx": picture_bombs,
    "xml-merged.docx": xml_merged,
    "xml-comment.docx": xml_comment,
    "xml-distinct-merged.docx": xml_distinct_merged,
    "xml-big.docx": xml_big,
    "damaged-entries.docx": damaged_entries,
    "unknown-marks.docx": unknown_marks,
}


def main():
    folder, mib = sys.argv[1], float(sys.argv[2])
    names = sys.argv[3:] or list(MAKERS)
    os.makedirs(folder, exist_ok=True)
    for name in names:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            continue
        with open(path + ".part", "wb") as f:
            f.write(MAKERS[name](int(mib * (1 << 20))))
        os.rename(path + ".part", path)


if __name__ == "__main__":
    main()
