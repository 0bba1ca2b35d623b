#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Builds the corpus for the Deep Recovery .doc bench.

    bench/make_damaged_doc_corpus.py OUT_DIR

For each source document (English, German, Russian, Greek, Chinese, a mixed
one with a table, and a long one) it writes the truth (truth/NAME.txt: every
word of the document; truth-pandoc/ and truth-abiword/ without the parts
those paths cannot carry) and Word 97-2003 files made three ways:
  lo/NAME.doc      flat ODF (body, table, footnote, header with a page number
                   field) -> LibreOffice -> .doc
  pandoc/NAME.doc  Markdown (footnote, table) -> pandoc -> .docx -> LibreOffice -> .doc
  abiword/NAME.doc HTML -> AbiWord -> .doc (AbiWord writes RTF under that name)
  w8/NAME.doc      built here as Word writes Western text: a piece per
                   paragraph, 8-bit where it fits Windows-1252, else UTF-16
                   (body only)
and damaged copies of every lo/, pandoc/ and w8/ file: zeroed header, zeroed
first FAT sector, zeroed first directory sector, cut at 50% and 90%, and 24
random bytes changed; the piece table zeroed (no-pieces) or every piece
moved past the end of the main stream (pieces-past). Outputs are never
committed.
"""
import html
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

SOURCES = {
    "en": [
        "Recovery of damaged documents is a craft of patience and of careful reading.",
        "The quick brown fox jumps over the lazy dog while the farmer watches from his porch.",
        "Every paragraph in this file ends with a mark that the reader must turn into a line break.",
        "Tables, footnotes and headers each live in their own part of the document.",
    ],
    "de": [
        "Die Wiederherstellung beschädigter Dateien erfordert Geduld und Sorgfalt.",
        "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich.",
        "Müllers Bücher liegen auf dem Tisch neben der Tür, und Jürgen öffnet die Fenster.",
        "Überall hört man fröhliche Stimmen in den Straßen der Stadt.",
    ],
    "ru": [
        "Восстановление повреждённых документов требует терпения и внимательности.",
        "Съешь же ещё этих мягких французских булок да выпей чаю.",
        "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.",
        "Каждый абзац этого файла заканчивается знаком конца абзаца.",
    ],
    "el": [
        "Η ανάκτηση κατεστραμμένων εγγράφων απαιτεί υπομονή και προσοχή.",
        "Ξεσκεπάζω την ψυχοφθόρα βδελυγμία του κόσμου.",
        "Κάθε παράγραφος αυτού του αρχείου τελειώνει με ένα σημάδι.",
        "Οι πίνακες και οι υποσημειώσεις ζουν σε δικό τους μέρος του εγγράφου.",
    ],
    "zh": [
        "恢复损坏的文档需要耐心和细心的阅读。",
        "我们的软件能够从损坏的文件中找回文字。",
        "每一个段落都以段落标记结束，读者必须把它变成换行。",
        "表格、脚注和页眉都存放在文档的不同部分。",
    ],
}

TABLE = [["Name", "Stadt", "Город"], ["Anna", "Berlin", "Москва"], ["Björn", "München", "Αθήνα"]]
FOOTNOTE = "This footnote explains the source of the quotation."
HEADER = "Confidential report page"

VOCAB = (
    "alpha river mountain window garden silver morning letter station harbour market winter summer village "
    "bridge castle forest meadow engine signal paper pencil orange violet thunder whisper lantern compass "
    "journey valley anchor basket candle dragon feather glacier horizon island jungle kettle ladder marble "
    "needle orchard pebble quarry ribbon saddle tunnel umbrella velvet wagon yellow zephyr"
).split()


def long_paragraphs(n, seed=7):
    rng = random.Random(seed)
    out = []
    for _ in range(n):
        words = [rng.choice(VOCAB) for _ in range(rng.randint(20, 60))]
        out.append(" ".join(words).capitalize() + ".")
    return out


def documents():
    docs = {k: v for k, v in SOURCES.items()}
    docs["mixed"] = SOURCES["en"][:2] + SOURCES["ru"][:2] + SOURCES["el"][:1] + SOURCES["zh"][:1]
    docs["long"] = long_paragraphs(1500)
    return docs


def fodt(paragraphs, with_extras):
    def p(text):
        return '<text:p text:style-name="Standard">%s</text:p>' % html.escape(text)

    body = [p(t) for t in paragraphs]
    header = ""
    if with_extras:
        body.insert(1, '<text:p text:style-name="Standard">%s<text:note text:id="n1" text:note-class="footnote">'
                    '<text:note-citation>1</text:note-citation><text:note-body>%s</text:note-body></text:note>'
                    '</text:p>' % (html.escape("A sentence with a footnote attached."), p(FOOTNOTE)))
        rows = "".join("<table:table-row>%s</table:table-row>" % "".join(
            '<table:table-cell office:value-type="string">%s</table:table-cell>' % p(c) for c in row)
            for row in TABLE)
        body.insert(3, '<table:table table:name="T1"><table:table-column table:number-columns-repeated="3"/>'
                    '%s</table:table>' % rows)
        header = ('<style:header><text:p text:style-name="Header">%s <text:page-number text:select-page="current">1'
                  '</text:page-number></text:p></style:header>' % html.escape(HEADER))
    return """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles><style:page-layout style:name="pm1"/></office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1">%s</style:master-page>
</office:master-styles>
<office:body><office:text>%s</office:text></office:body></office:document>
""" % (header, "\n".join(body))


def markdown(paragraphs, with_extras):
    parts = list(paragraphs)
    if with_extras:
        parts.insert(1, "A sentence with a footnote attached.[^1]")
        head, *rows = TABLE
        table = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        table += ["| " + " | ".join(r) + " |" for r in rows]
        parts.insert(3, "\n".join(table))
        parts.append("[^1]: " + FOOTNOTE)
    return "\n\n".join(parts) + "\n"


def truth(paragraphs, with_extras, header):
    words = list(paragraphs)
    if with_extras:
        words += ["A sentence with a footnote attached.", FOOTNOTE] + [c for row in TABLE for c in row]
        if header:
            words.append(HEADER)
    return "\n".join(words) + "\n"


def build_cfb(streams):
    """A compound file (512-byte sectors) holding `streams` [(name, bytes)],
    each padded to at least 4096 bytes so that none is a small stream."""
    data = []
    for name, body in streams:
        body = body + bytes(max(0, 4096 - len(body)))
        data.append((name, body + bytes((-len(body)) % 512)))
    nsect = sum(len(b) // 512 for _, b in data) + 1  # + the directory
    nfat = 1
    while nfat * 128 < nsect + nfat:
        nfat += 1
    fat = [0xFFFFFFFD] * nfat + [0xFFFFFFFE]  # FAT sectors, then the directory
    starts = []
    for _, body in data:
        first = len(fat)
        count = len(body) // 512
        fat += [first + i + 1 for i in range(count - 1)] + [0xFFFFFFFE]
        starts.append(first)
    fat += [0xFFFFFFFF] * (nfat * 128 - len(fat))

    def entry(name, typ, start, size, child, right):
        e = bytearray(128)
        raw = name.encode("utf-16-le")
        e[: len(raw)] = raw
        struct.pack_into("<HBB", e, 0x40, len(raw) + 2, typ, 1)
        struct.pack_into("<III", e, 0x44, 0xFFFFFFFF, right, child)
        struct.pack_into("<II", e, 0x74, start, size)
        return bytes(e)

    directory = entry("Root Entry", 5, 0xFFFFFFFE, 0, 1, 0xFFFFFFFF)
    for i, (name, body) in enumerate(data):
        directory += entry(name, 2, starts[i], len(body), 0xFFFFFFFF, i + 2 if i + 1 < len(data) else 0xFFFFFFFF)
    directory += bytes(512 - len(directory))
    header = bytearray(512)
    header[:8] = bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1])
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIIII", header, 0x2C, nfat, nfat, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0, 0)
    for i in range(109):
        struct.pack_into("<I", header, 0x4C + 4 * i, i if i < nfat else 0xFFFFFFFF)
    return bytes(header) + struct.pack("<%dI" % len(fat), *fat) + directory + b"".join(b for _, b in data)


def word97_8bit(paragraphs):
    """A Word 97 file as Word writes Western text: a piece per paragraph,
    8-bit (Windows-1252) where the paragraph fits, else UTF-16."""
    main = bytearray(0x400)
    struct.pack_into("<HHHH", main, 0, 0xA5EC, 0xC1, 0, 0)
    struct.pack_into("<H", main, 0x0A, 0x0200)
    struct.pack_into("<H", main, 0x20, 14)
    struct.pack_into("<H", main, 0x3E, 22)
    struct.pack_into("<H", main, 0x98, 0x5D)
    cps, pcds, cp = [0], b"", 0
    for para in paragraphs:
        text = para + "\r"
        try:
            raw, fc = text.encode("cp1252"), (len(main) * 2) | 0x40000000
        except UnicodeEncodeError:
            raw, fc = text.encode("utf-16-le"), len(main)
        main += raw
        cp += len(text)
        cps.append(cp)
        pcds += struct.pack("<HIH", 0, fc, 0)
    plc = struct.pack("<%dI" % len(cps), *cps) + pcds
    table = b"\x02" + struct.pack("<I", len(plc)) + plc
    struct.pack_into("<I", main, 0x40, len(main))
    struct.pack_into("<I", main, 0x4C, cp)
    struct.pack_into("<II", main, 0x1A2, 0, len(table))
    return build_cfb([("WordDocument", bytes(main)), ("1Table", table)])


def run(cmd, cwd):
    subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600, check=False)


def cfb_fields(data):
    shift = struct.unpack_from("<H", data, 0x1E)[0]
    ssize = 1 << shift
    first_fat = struct.unpack_from("<I", data, 0x4C)[0]
    first_dir = struct.unpack_from("<I", data, 0x30)[0]
    return ssize, first_fat, first_dir


def stream_offsets(data, name):
    """The file offsets of a stream's bytes, by its directory entry and FAT (or
    the mini FAT for a small stream); None when it is missing."""
    ssize, first_fat, first_dir = cfb_fields(data)
    fat_sectors = struct.unpack_from("<109I", data, 0x4C)
    fat = []
    for s in fat_sectors:
        if s >= 0xFFFFFFFA:
            break
        fat += struct.unpack_from("<%dI" % (ssize // 4), data, (s + 1) * ssize)
    dirs, s = [], first_dir
    while s < len(fat) and len(dirs) < 4096:
        dirs.append(s)
        s = fat[s]
    def chain(start, size):
        offsets, s = [], start
        while s < len(fat) and len(offsets) < size:
            offsets += range((s + 1) * ssize, (s + 2) * ssize)
            s = fat[s]
        return offsets[:size]

    entries = {}
    for d in dirs:
        for k in range(ssize // 128):
            e = (d + 1) * ssize + 128 * k
            n = struct.unpack_from("<H", data, e + 64)[0]
            entries.setdefault(data[e:e + max(n - 2, 0)].decode("utf-16-le", "replace"),
                               struct.unpack_from("<II", data, e + 116))
    if name not in entries or "Root Entry" not in entries:
        return None
    start, size = entries[name]
    if size >= 4096:
        return chain(start, size)
    # A small stream: 64-byte sectors of the root's stream, linked by the mini FAT.
    container = chain(*entries["Root Entry"])
    minifat_bytes = [data[o] for o in chain(struct.unpack_from("<I", data, 0x3C)[0], 1 << 30)]
    minifat = struct.unpack_from("<%dI" % (len(minifat_bytes) // 4), bytes(minifat_bytes))
    offsets, s = [], start
    while s < len(minifat) and len(offsets) < size and (s + 1) * 64 <= len(container):
        offsets += container[s * 64:(s + 1) * 64]
        s = minifat[s]
    return offsets[:size] if len(offsets) >= size else None


def broken_pieces(data, past):
    """The piece table lost (its bytes zeroed) or, with `past`, every piece
    moved past the end of the main stream; None when it cannot be found."""
    main, table = stream_offsets(data, "WordDocument"), None
    if main is None:
        return None
    fib = bytes(data[o] for o in main[:0x200])
    table = stream_offsets(data, "1Table" if struct.unpack_from("<H", fib, 0x0A)[0] & 0x200 else "0Table")
    if table is None:
        return None
    fc, lcb = struct.unpack_from("<II", fib, 0x1A2)
    if fc + lcb > len(table) or lcb < 5:
        return None
    b = bytearray(data)
    clx = bytes(data[table[fc + i]] for i in range(lcb))
    at = 0
    while at < len(clx) and clx[at] == 1:  # property records before the pieces
        at += 3 + struct.unpack_from("<H", clx, at + 1)[0]
    if at + 5 > len(clx) or clx[at] != 2:
        return None
    plc = struct.unpack_from("<I", clx, at + 1)[0]
    n = (plc - 4) // 12
    for k in range(n):
        pcd = at + 5 + 4 * (n + 1) + 8 * k
        for i in range(8 if not past else 0):
            b[table[fc + pcd + i]] = 0
        if past:
            raw = struct.pack("<I", 0x7FFF0000 | (struct.unpack_from("<I", clx, pcd + 2)[0] & 0x40000000))
            for i in range(4):
                b[table[fc + pcd + 2 + i]] = raw[i]
    if not past:
        for i in range(lcb):
            b[table[fc + i]] = 0
    return bytes(b)


def damage(src, outdir, name):
    data = open(src, "rb").read()
    ssize, fat, dirs = cfb_fields(data)

    def zero(off, n):
        b = bytearray(data)
        b[off:off + n] = bytes(n)
        return bytes(b)

    rng = random.Random(name)
    flipped = bytearray(data)
    for _ in range(24):
        flipped[rng.randrange(len(flipped))] = rng.randrange(256)
    variants = {
        "zero-header": zero(0, 512),
        "zero-fat": zero((fat + 1) * ssize, ssize),
        "zero-dir": zero((dirs + 1) * ssize, ssize),
        "cut50": data[: len(data) // 2],
        "cut90": data[: len(data) * 9 // 10],
        "flipped": bytes(flipped),
        "no-pieces": broken_pieces(data, past=False),
        "pieces-past": broken_pieces(data, past=True),
    }
    for cls, content in variants.items():
        if content is None:
            continue
        os.makedirs(os.path.join(outdir, cls), exist_ok=True)
        with open(os.path.join(outdir, cls, name), "wb") as f:
            f.write(content)


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "/tmp/deep_doc_corpus")
    shutil.rmtree(out, ignore_errors=True)
    for d in ("truth", "truth-pandoc", "truth-w8", "lo", "pandoc", "abiword", "w8"):
        os.makedirs(os.path.join(out, d))
    work = tempfile.mkdtemp(prefix="deepdoc")
    fodts, mds, htmls = [], [], []
    for name, paras in documents().items():
        extras = name != "long"
        with open(os.path.join(out, "truth", name + ".txt"), "w", encoding="utf-8") as f:
            f.write(truth(paras, extras, header=True))
        with open(os.path.join(out, "truth-pandoc", name + ".txt"), "w", encoding="utf-8") as f:
            f.write(truth(paras, extras, header=False))  # Markdown has no page header
        with open(os.path.join(work, name + ".fodt"), "w", encoding="utf-8") as f:
            f.write(fodt(paras, extras))
        with open(os.path.join(work, name + ".md"), "w", encoding="utf-8") as f:
            f.write(markdown(paras, extras))
        fodts.append(name + ".fodt")
        mds.append(name)
        # AbiWord gets the body and table only (no footnote or header).
        rows = "".join("<tr>%s</tr>" % "".join("<td>%s</td>" % html.escape(c) for c in r) for r in TABLE)
        page = "".join("<p>%s</p>" % html.escape(p) for p in paras)
        if extras:
            page += "<table>%s</table>" % rows
        with open(os.path.join(work, name + ".html"), "w", encoding="utf-8") as f:
            f.write('<html><head><meta charset="utf-8"></head><body>%s</body></html>' % page)
        htmls.append(name)
    run(["soffice", "--headless", "--convert-to", "doc", "--outdir", os.path.join(out, "lo")] + fodts, work)
    for name in mds:
        run(["pandoc", name + ".md", "-o", name + ".docx"], work)
    run(["soffice", "--headless", "--convert-to", "doc", "--outdir", os.path.join(out, "pandoc")]
        + [n + ".docx" for n in mds], work)
    for name in htmls:
        run(["abiword", "--to=doc", "-o", os.path.join(out, "abiword", name + ".doc"), name + ".html"], work)
    os.makedirs(os.path.join(out, "truth-abiword"))
    for name, paras in documents().items():
        with open(os.path.join(out, "truth-abiword", name + ".txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(paras + ([c for r in TABLE for c in r] if name != "long" else [])) + "\n")
    for name, paras in documents().items():
        with open(os.path.join(out, "w8", name + ".doc"), "wb") as f:
            f.write(word97_8bit(paras))
        with open(os.path.join(out, "truth-w8", name + ".txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(paras) + "\n")
    for gen in ("lo", "pandoc", "w8"):
        for fname in sorted(os.listdir(os.path.join(out, gen))):
            damage(os.path.join(out, gen, fname), out, gen + "-" + fname)
    shutil.rmtree(work, ignore_errors=True)
    print(out)


if __name__ == "__main__":
    main()
