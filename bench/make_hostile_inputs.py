#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the worst inputs of the hardening benchmark into a folder.

    bench/make_hostile_inputs.py DIR MIB

Binary inputs (every job reads them): runs of one byte, packed picture
markers, random bytes. Packages (the .docx job): one stored main document
entry whose XML is MIB MiB of one tag, of distinct tags, of "<" alone, of
paragraphs, of text; and a small package whose entry inflates far past the
entry size limit (sizes in a data descriptor, so nothing declares them);
and, for Deep Recovery, paragraphs that each carry list numbering and a
note reference.
Files that already exist are kept.
"""
import os
import struct
import sys
import zlib

folder, mib = sys.argv[1], int(sys.argv[2])
size = mib << 20
os.makedirs(folder, exist_ok=True)


def fill(unit):
    return (unit * (size // len(unit) + 1))[:size]


def write(name, make):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        with open(path + ".part", "wb") as f:
            f.write(make())
        os.rename(path + ".part", path)


def distinct_tags():
    out, n = bytearray(), 0
    while len(out) < size:
        out += b"<t%x>" % n
        n += 1
    return bytes(out[:size])


def stored(xml, flags=0, crc=None):
    crc = zlib.crc32(xml) if crc is None else crc
    name = b"word/document.xml"
    head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, 0, 0, 0, crc, len(xml), len(xml), len(name), 0)
    return head + name + xml


def bomb():
    # 2 GiB of zeros, streamed: the sizes come after the data.
    z = zlib.compressobj(9, zlib.DEFLATED, -15)
    chunk = bytes(1 << 20)
    data = b"".join(z.compress(chunk) for _ in range(2048)) + z.flush()
    name = b"word/document.xml"
    head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 8, 8, 0, 0, 0, 0, 0, len(name), 0)
    return head + name + data + struct.pack("<IIII", 0x08074B50, 0, len(data), 0)


binaries = {
    "zeros.bin": lambda: bytes(size),
    "percent.bin": lambda: fill(b"\x25"),
    "spaces.bin": lambda: fill(b" "),
    "jpeg-starts.bin": lambda: fill(b"\xFF\xD8\xFF"),
    "png-starts.bin": lambda: fill(b"\x89PN"),
    "jpeg-pairs.bin": lambda: fill(b"\xFF\xD8\xFF\xFF\xD9"),
    "png-pairs.bin": lambda: fill(b"\x89PNIEND\xAE\x42\x60\x82"),
    "ends-first.bin": lambda: fill(b"\xFF\xD9IEND\xAE\x42\x60\x82\xFF\xD8\xFF\x89PN"),
    "random.bin": lambda: os.urandom(size),
}
def same_names():
    # Entries all named alike, and a central directory agreeing with none of
    # them: every record has many candidates and none checks out.
    name = b"word/document.xml"
    data = b"<w:t>x</w:t>"
    n = min(size // 126, 200000)
    body, central = bytearray(), bytearray()
    for i in range(n):
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0, i + 1, len(data), len(data),
                               len(name), 0, 0, 0, 0, 0, len(body) + 7) + name
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0, i, len(data), len(data), len(name), 0)
        body += name + data
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, n & 0xFFFF, n & 0xFFFF, len(central), len(body), 0)
    return bytes(body + central + end)


packages = {
    "one-tag.docx": lambda: stored(fill(b"<w:t>")),
    "distinct-tags.docx": lambda: stored(distinct_tags()),
    "only-lt.docx": lambda: stored(fill(b"<")),
    "only-gt.docx": lambda: stored(fill(b">")),
    "paragraphs.docx": lambda: stored(fill(b"<w:p><w:r><w:t>ab</w:t></w:r></w:p>")),
    "text.docx": lambda: stored(fill(b"plain text &amp; &#x263A; ")),
    "bomb.docx": bomb,
    "same-names.docx": same_names,
    # Deep Recovery: every paragraph numbered, styled and with a note reference (a mark each, capped).
    "numbered.docx": lambda: stored(fill(b'<w:p><w:pPr><w:pStyle w:val="H"/><w:numPr><w:ilvl w:val="1"/>'
                                         b'<w:numId w:val="1"/></w:numPr></w:pPr><w:footnoteReference w:id="1"/></w:p>')),
}
for name, make in {**binaries, **packages}.items():
    write(name, make)
