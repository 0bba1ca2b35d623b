#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Makes the damaged-deflate corpus: packages by every writer of
bench/make_damaged_docx_corpus.py, each damaged one way inside its main part's
compressed data, with the words an ideal reader could still give.

    /usr/bin/python3 bench/deep_deflate_corpus.py OUTDIR

Classes: s16, s128, s512, s4096 (one stretch of that many bytes inside
word/document.xml's compressed data) times rnd (random bytes), zero and
oth (bytes of another package's compressed data); b1, b3 and b8 (that many
single bytes changed at random places of those data, as bit rot or a bad
sector leaves a few); and rand1 (1 % of the package's bytes random).
OUTDIR/<doc>.<writer>.<class>.docx, with OUTDIR/<doc>.<writer>.truth.txt
(every word written) and, but for rand1, OUTDIR/<doc>.<writer>.<class>.expect.txt:
the words of the main part that lie outside the damage's reach (what each
damaged stretch or byte decompressed to, and as much again after it) plus
those of the other parts, and OUTDIR/<doc>.<writer>.<class>.clear.txt: the
words none of whose bytes a damaged byte decides, nor the bytes that end
them (bench/deflate_reach.py),
plus those of the other parts. Deterministic."""

import collections
import io
import os
import random
import re
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import deflate_reach  # noqa: E402
import make_damaged_docx_corpus as base  # noqa: E402

OUT = sys.argv[1] if len(sys.argv) > 1 else "/tmp/deep_deflate_corpus"
DOCS = [("dshort", 30), ("dmid", 150), ("dlong", 700)]
SIZES = [16, 128, 512, 4096]
KINDS = ["rnd", "zero", "oth"]
BYTES = [1, 3, 8]


def main_entry(data):
    """(offset of the main part's compressed data in the package, its size, its XML)."""
    z = zipfile.ZipFile(io.BytesIO(data))
    name = base.main_part(data)
    info = z.getinfo(name)
    off = info.header_offset
    nlen, elen = int.from_bytes(data[off + 26:off + 28], "little"), int.from_bytes(data[off + 28:off + 30], "little")
    return off + 30 + nlen + elen, info.compress_size, z.read(name)


def output_at(raw, upto):
    """How many bytes the raw deflate stream `raw` has given out once its first `upto` bytes are read."""
    d = zlib.decompressobj(-15)
    return len(d.decompress(raw[:upto]))


def words_outside(xml, reaches):
    """The words of w:t text in `xml` that touch none of the byte ranges [lo, hi) in `reaches`."""
    mask = bytearray(len(xml))
    for lo, hi in reaches:
        mask[lo:hi] = b"\x01" * (min(hi, len(xml)) - lo)
    return words_unmarked(xml, mask)


def words_unmarked(xml, mask, edges=0):
    """The words of w:t text in `xml` none of whose bytes `mask` marks, nor
    `edges` bytes on either side (those that tell where a word ends)."""
    text = xml.decode("utf-8", "replace")
    # Byte offsets: the document is ASCII but for a few letters; map through the encoded prefix lengths.
    out = []
    for m in re.finditer(r"<w:t(?:\s[^>]*)?>([^<]*)</w:t>", text):
        content = re.sub(r"&[#a-zA-Z0-9]+;", lambda e: " " * len(e.group(0)), m.group(1))
        start = len(text[:m.start(1)].encode())
        for w in re.finditer(r"\w+", content):
            b0 = start + len(content[:w.start()].encode())
            b1 = start + len(content[:w.end()].encode())
            if not any(mask[max(0, b0 - edges):b1 + edges]):
                out.append(w.group(0))
    return out


def all_words(xml):
    return words_outside(xml, [])


def stretch(data, size, kind, rng, other):
    at, csize, xml = main_entry(data)
    size = min(size, csize // 2)
    begin = rng.randrange(0, csize - size)
    out = bytearray(data)
    if kind == "rnd":
        out[at + begin:at + begin + size] = bytes(rng.randrange(256) for _ in range(size))
    elif kind == "zero":
        out[at + begin:at + begin + size] = bytes(size)
    else:
        o = rng.randrange(0, len(other) - size)
        out[at + begin:at + begin + size] = other[o:o + size]
    raw = data[at:at + csize]
    lo = output_at(raw, begin)
    hi = output_at(raw, begin + size)
    reach = (lo, hi + (hi - lo))
    return bytes(out), reach, (begin, begin + size)


def scattered(data, count, rng):
    """`count` bytes changed at random places of the main part's compressed data, and the reach of each."""
    at, csize, _ = main_entry(data)
    out = bytearray(data)
    raw = data[at:at + csize]
    reaches, spans = [], []
    for p in sorted(rng.sample(range(csize), count)):
        out[at + p] = (out[at + p] + rng.randrange(1, 256)) % 256
        lo, hi = output_at(raw, p), output_at(raw, p + 1)
        reaches.append((lo, hi + (hi - lo)))
        spans.append((p, p + 1))
    return bytes(out), reaches, spans


def main():
    os.makedirs(OUT, exist_ok=True)
    work = os.path.join(OUT, "work")
    os.makedirs(work, exist_ok=True)
    made = []
    for doc, count in DOCS:
        for writer, (path, truth) in base.make_documents(doc, count, work).items():
            made.append((f"{doc}.{writer}", truth, open(path, "rb").read()))
    for i, (stem, truth, data) in enumerate(made):
        out = os.path.join(OUT, stem)
        open(out + ".truth.txt", "w").write("\n".join(truth) + "\n")
        other = made[(i + 1) % len(made)][2]
        at, csize, xml = main_entry(data)
        trace = deflate_reach.Trace(data[at:at + csize])
        main_words = all_words(xml)
        # The words of the other parts: the truth less the main part's.
        rest = list((collections.Counter(truth_words(truth)) - collections.Counter(main_words)).elements())
        for size in SIZES:
            for kind in KINDS:
                cls = f"s{size}{kind}"
                damaged, (lo, hi), span = stretch(data, size, kind, random.Random(stem + cls), other)
                open(f"{out}.{cls}.docx", "wb").write(damaged)
                expect = words_outside(xml, [(lo, hi)]) + rest
                open(f"{out}.{cls}.expect.txt", "w").write(" ".join(expect) + "\n")
                clear = words_unmarked(xml, trace.reach([span]), 1) + rest
                open(f"{out}.{cls}.clear.txt", "w").write(" ".join(clear) + "\n")
        for count in BYTES:
            cls = f"b{count}"
            damaged, reaches, spans = scattered(data, count, random.Random(stem + cls))
            open(f"{out}.{cls}.docx", "wb").write(damaged)
            open(f"{out}.{cls}.expect.txt", "w").write(" ".join(words_outside(xml, reaches) + rest) + "\n")
            clear = words_unmarked(xml, trace.reach(spans), 1) + rest
            open(f"{out}.{cls}.clear.txt", "w").write(" ".join(clear) + "\n")
        rng = random.Random(stem + "rand1")
        open(f"{out}.rand1.docx", "wb").write(base.damage(data, "rand1", rng))
    print(f"corpus in {OUT}")


def truth_words(truth):
    return [w for line in truth for w in re.findall(r"\w+", line)]


if __name__ == "__main__":
    main()
