#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Makes the Deep Recovery .docx corpus: packages written by several writers
from text and pictures made here, and damaged copies of each.

    /usr/bin/python3 bench/make_damaged_docx_corpus.py OUTDIR

Writers: python-docx, pandoc, LibreOffice (re-saving the python-docx
package) and AbiWord (the same). Damage classes: intact, name (the main
part's local-header name garbled), rand1 (1% of the bytes random),
ctstored ([Content_Types].xml stored), zip64 (Zip64 local headers), cuthalf
(the main part's deflate stream cut halfway), trunc50, trunc90.
OUTDIR/<doc>.<writer>.<class>.docx, with OUTDIR/<doc>.<writer>.truth.txt
(the words written) and OUTDIR/<doc>.<writer>.media/ (the intact package's
pictures). Needs bench/setup.sh first. Deterministic."""

import io
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

from PIL import Image, ImageDraw

OUT = sys.argv[1] if len(sys.argv) > 1 else "/tmp/deep_docx_corpus"
SYLLABLES = ["ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "be", "do", "fa", "gu", "hi", "jo", "pe", "ze",
             "qua", "ste", "ri", "nor", "gal", "ven", "tas", "mur", "éla", "çon", "über", "øst"]


def words(rng, n):
    return [("".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 3)))) for _ in range(n)]


def paragraphs(rng, count):
    out = []
    for _ in range(count):
        w = words(rng, rng.randint(8, 40))
        if rng.random() < 0.1:
            w.insert(rng.randint(0, len(w)), "&")
        out.append(" ".join(w).capitalize() + ".")
    return out


def pictures(rng, folder, tag):
    os.makedirs(folder, exist_ok=True)
    paths = []
    for kind, ext in (("PNG", "png"), ("JPEG", "jpg"), ("GIF", "gif"), ("BMP", "bmp")):
        w, h = rng.randint(40, 160), rng.randint(30, 120)
        img = Image.new("RGB", (w, h), tuple(rng.randint(0, 255) for _ in range(3)))
        d = ImageDraw.Draw(img)
        for _ in range(20):
            d.line([rng.randint(0, w), rng.randint(0, h), rng.randint(0, w), rng.randint(0, h)],
                   fill=tuple(rng.randint(0, 255) for _ in range(3)), width=2)
        p = os.path.join(folder, f"{tag}_{ext}.{ext}")
        img.save(p, kind)
        paths.append(p)
    return paths


def make_python_docx(path, paras, header, table, pics):
    import docx
    from docx.shared import Inches
    d = docx.Document()
    d.sections[0].header.paragraphs[0].text = header
    for i, p in enumerate(paras):
        d.add_paragraph(p)
        if i == len(paras) // 3:
            t = d.add_table(rows=len(table), cols=len(table[0]))
            for r, row in enumerate(table):
                for c, cell in enumerate(row):
                    t.cell(r, c).text = cell
        if pics and i % max(1, len(paras) // len(pics)) == 0 and i // max(1, len(paras) // len(pics)) < len(pics):
            d.add_picture(pics[i // max(1, len(paras) // len(pics))], width=Inches(1))
    d.save(path)


def make_pandoc(path, paras, note, table, pics, work):
    md = []
    for i, p in enumerate(paras):
        md.append(p.replace("&", "\\&") + ("[^1]" if i == 1 else ""))
        if i == len(paras) // 3:
            md.append("| " + " | ".join(table[0]) + " |\n|" + "---|" * len(table[0]) + "\n" +
                      "\n".join("| " + " | ".join(r) + " |" for r in table[1:]))
        if i == len(paras) // 2:
            md.extend(f"![]({p})" for p in pics if not p.endswith(".bmp"))
    md.append("[^1]: " + note)
    src = os.path.join(work, "in.md")
    open(src, "w").write("\n\n".join(md) + "\n")
    subprocess.run(["pandoc", src, "-o", path], check=True)


def convert(tool, src, path, work):
    if tool == "libreoffice":
        out = os.path.join(work, "lo")
        subprocess.run(["soffice", "--headless", "--convert-to", "docx", "--outdir", out, src], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.move(os.path.join(out, os.path.basename(src)), path)
    else:
        subprocess.run(["abiword", "--to=docx", src, "-o", path], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


# --- damage ---------------------------------------------------------------

def entries(data):
    """(name, method, raw compressed bytes, crc, usize) of each entry, from the directory."""
    z = zipfile.ZipFile(io.BytesIO(data))
    out = []
    for info in z.infolist():
        off = info.header_offset
        nlen, elen = struct.unpack("<HH", data[off + 26:off + 30])
        start = off + 30 + nlen + elen
        out.append((info.filename, info.compress_type, data[start:start + info.compress_size], info.CRC,
                    info.file_size))
    return out


def write_zip(items):
    """A package from (name, method, raw bytes, crc, usize, csize-in-header) items, written by hand."""
    body, central = b"", b""
    for name, method, raw, crc, usize in items:
        n = name.encode()
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, method, 0, 0, crc, len(raw), usize,
                               len(n), 0, 0, 0, 0, 0, len(body)) + n
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, method, 0, 0, crc, len(raw), usize, len(n), 0) + n + raw
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(items), len(items), len(central), len(body), 0)
    return body + central + end


def main_part(data):
    names = zipfile.ZipFile(io.BytesIO(data)).namelist()
    return "word/document.xml" if "word/document.xml" in names else [n for n in names if n.startswith("word/document")][0]


def damage(data, kind, rng):
    if kind == "intact":
        return data
    if kind == "name":
        main = main_part(data).encode()
        out = bytearray(data)
        at = data.find(b"PK\x03\x04" + data[4:4])  # first local header
        while at >= 0:
            nlen = struct.unpack("<H", data[at + 26:at + 28])[0]
            if data[at + 30:at + 30 + nlen] == main:
                for i in range(nlen):
                    out[at + 30 + i] = rng.choice([1, 2, 3, 0x7F, 0x10])
                break
            at = data.find(b"PK\x03\x04", at + 4)
        return bytes(out)
    if kind == "rand1":
        out = bytearray(data)
        for i in rng.sample(range(len(out)), max(1, len(out) // 100)):
            out[i] = rng.randrange(256)
        return bytes(out)
    if kind == "ctstored":
        items = []
        for name, method, raw, crc, usize in entries(data):
            if name == "[Content_Types].xml":
                plain = zipfile.ZipFile(io.BytesIO(data)).read(name)
                items.insert(0, (name, 0, plain, crc, usize))
            else:
                items.append((name, method, raw, crc, usize))
        return write_zip(items)
    if kind == "zip64":
        src = zipfile.ZipFile(io.BytesIO(data))
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
            for info in src.infolist():
                with z.open(zipfile.ZipInfo(info.filename, info.date_time), "w", force_zip64=True) as f:
                    f.write(src.read(info.filename))
        return buf.getvalue()
    if kind == "cuthalf":
        main = main_part(data)
        items = []
        for name, method, raw, crc, usize in entries(data):
            if name == main:
                raw = raw[:len(raw) // 2]
            items.append((name, method, raw, crc, usize))
        return write_zip(items)
    if kind.startswith("trunc"):
        return data[:len(data) * int(kind[5:]) // 100]
    raise ValueError(kind)


CLASSES = ["intact", "name", "rand1", "ctstored", "zip64", "cuthalf", "trunc50", "trunc90"]
DOCS = [("small", 12), ("medium", 120), ("large", 900)]


def make_documents(doc, count, work):
    """The document `doc` of `count` paragraphs by every writer: {writer: (path, true words)}."""
    rng = random.Random(doc)
    paras = paragraphs(rng, count)
    header = " ".join(words(rng, 4)).capitalize()
    note = " ".join(words(rng, 9)).capitalize() + "."
    table = [words(rng, 3) for _ in range(3)]
    pics = pictures(rng, os.path.join(work, doc), doc)
    table_words = [w for row in table for w in row]
    body = [p for p in paras]
    base = os.path.join(work, f"{doc}.python-docx.docx")
    make_python_docx(base, paras, header, table, pics)
    made = {"python-docx": (base, body + table_words + [header])}
    pan = os.path.join(work, f"{doc}.pandoc.docx")
    make_pandoc(pan, paras, note, table, pics, work)
    made["pandoc"] = (pan, body + table_words + [note])
    for tool in ("libreoffice", "abiword"):
        path = os.path.join(work, f"{doc}.{tool}.docx")
        try:
            convert(tool, base, path, work)
            made[tool] = (path, body + table_words + [header])
        except (subprocess.CalledProcessError, FileNotFoundError) as e:
            print(f"{tool} failed on {doc}: {e}", file=sys.stderr)
    return made


def save_media(data, folder):
    """The word/media pictures of a package, into `folder`."""
    os.makedirs(folder, exist_ok=True)
    with zipfile.ZipFile(io.BytesIO(data)) as z:
        for n in z.namelist():
            if n.startswith("word/media/"):
                open(os.path.join(folder, os.path.basename(n)), "wb").write(z.read(n))


def main():
    os.makedirs(OUT, exist_ok=True)
    work = os.path.join(OUT, "work")
    os.makedirs(work, exist_ok=True)
    for doc, count in DOCS:
        for writer, (path, truth) in make_documents(doc, count, work).items():
            stem = os.path.join(OUT, f"{doc}.{writer}")
            open(stem + ".truth.txt", "w").write("\n".join(truth) + "\n")
            data = open(path, "rb").read()
            save_media(data, stem + ".media")
            for kind in CLASSES:
                open(f"{stem}.{kind}.docx", "wb").write(damage(data, kind, random.Random(doc + writer + kind)))
    print(f"corpus in {OUT}")


if __name__ == "__main__":
    main()
