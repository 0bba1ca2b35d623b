#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Builds the corpus for the .doc pictures bench.

    /usr/bin/python3 bench/make_doc_pictures_corpus.py OUT_DIR

Makes pictures (JPEG, CMYK JPEG, PNG, BMP, TIFF, and hand-written WMF and
EMF files), then Word 97-2003 files through LibreOffice's UNO bridge
(python3-uno): inline and floating pictures, one picture used twice, a long
picture that spans many sectors, embedded Writer documents with their own
text and pictures, twelve big pictures (for the memory bench), and text with
no picture at all. Writes:
  pictures/NAME.EXT            every picture inserted
  doc/NAME.doc                 the documents (and embedded.docx, the same as a .docx)
  truth/NAME.json              per document: the pictures in it (file names
                               in pictures/) and the words of each embedded
                               document
and damaged copies of each document with pictures (damage/NAME-KIND.doc):
cut at 60 %, eight sectors zeroed, the first FAT sector zeroed, 64 random
bytes changed, and the header zeroed. Outputs are never committed.
"""
import io
import json
import os
import random
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageDraw

VOCAB = (
    "alpha river mountain window garden silver morning letter station harbour market winter summer village "
    "bridge castle forest meadow engine signal paper pencil orange violet thunder whisper lantern compass "
    "journey valley anchor basket candle dragon feather glacier horizon island jungle kettle ladder marble"
).split()


def words(rng, n):
    return " ".join(rng.choice(VOCAB) for _ in range(n))


# ---------------------------------------------------------------- pictures
def photo(w, h, seed, mode="RGB"):
    rng = random.Random(seed)
    img = Image.new("RGB", (w, h), (rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    d = ImageDraw.Draw(img)
    for _ in range(60):
        x, y = rng.randrange(w), rng.randrange(h)
        d.ellipse([x, y, x + rng.randrange(10, w // 2), y + rng.randrange(10, h // 2)],
                  fill=(rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    # Noise, so that JPEG and PNG data are not tiny.
    px = img.load()
    for _ in range(w * h // 6):
        x, y = rng.randrange(w), rng.randrange(h)
        px[x, y] = (rng.randrange(256), rng.randrange(256), rng.randrange(256))
    return img if mode == "RGB" else img.convert(mode)


def encode(img, fmt, **kw):
    out = io.BytesIO()
    img.save(out, fmt, **kw)
    return out.getvalue()


def wmf(seed):
    """A placeable Windows metafile: a filled rectangle and an ellipse."""
    rng = random.Random(seed)
    recs = b""

    def rec(func, *params):
        return struct.pack("<IH", 3 + len(params), func) + b"".join(struct.pack("<h", p) for p in params)

    recs += rec(0x020B, 0, 0)  # SETWINDOWORG y x
    recs += rec(0x020C, 1000, 1000)  # SETWINDOWEXT y x
    color = rng.randrange(1 << 24)
    recs += struct.pack("<IH", 7, 0x02FC) + struct.pack("<HIH", 0, color, 0)  # CREATEBRUSHINDIRECT
    recs += rec(0x012D, 0)  # SELECTOBJECT
    recs += rec(0x041B, 900, 900, 100, 100)  # RECTANGLE b r t l
    recs += rec(0x0418, 800, 700, rng.randrange(100, 300), rng.randrange(100, 300))  # ELLIPSE
    recs += struct.pack("<IH", 3, 0)  # EOF
    size_words = (18 + len(recs)) // 2
    meta = struct.pack("<HHHIHIH", 1, 9, 0x300, size_words, 1, 7, 0) + recs
    head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1000, 1000, 1440, 0)
    checksum = 0
    for i in range(0, 20, 2):
        checksum ^= struct.unpack_from("<H", head, i)[0]
    return head + struct.pack("<H", checksum) + meta


def emf(seed):
    """An enhanced metafile: a rectangle and an ellipse."""
    rng = random.Random(seed)
    body = b""
    body += struct.pack("<II4i", 0x2B, 24, 100, 100, 900, 900)  # EMR_RECTANGLE
    body += struct.pack("<II4i", 0x2A, 24, rng.randrange(100, 400), 150, 850, 800)  # EMR_ELLIPSE
    body += struct.pack("<IIIII", 0x0E, 20, 0, 16, 20)  # EMR_EOF
    desc = "kwrecover\0test\0\0".encode("utf-16-le")
    hsize = 108
    total = hsize + len(desc) + len(body)
    head = struct.pack("<II4i4iIIIIHHIII2i2i", 1, hsize + len(desc), 0, 0, 1000, 1000, 0, 0, 26458, 26458,
                       0x464D4520, 0x10000, total, 4, 1, 0, len(desc) // 2, hsize, 0, 1000, 1000, 265, 265)
    head += struct.pack("<III", 0, 0, 0) + struct.pack("<2i", 265000, 265000)
    assert len(head) == hsize, len(head)
    return head + desc + body


def make_pictures(outdir):
    pics = {}
    pics["photo.jpg"] = encode(photo(640, 480, 1), "JPEG", quality=90)
    pics["big.jpg"] = encode(photo(1600, 1200, 2), "JPEG", quality=95)
    pics["cmyk.jpg"] = encode(photo(320, 240, 3, "CMYK"), "JPEG", quality=90)
    pics["chart.png"] = encode(photo(400, 300, 4), "PNG")
    pics["small.png"] = encode(photo(40, 30, 5), "PNG")
    pics["scan.bmp"] = encode(photo(200, 150, 6), "BMP")
    pics["palette.bmp"] = encode(photo(120, 90, 7).convert("P", palette=Image.ADAPTIVE, colors=256), "BMP")
    pics["page.tif"] = encode(photo(160, 120, 8), "TIFF")
    for i in range(12):  # for the memory bench: many big pictures
        pics["many%02d.jpg" % i] = encode(photo(1600, 1200, 100 + i), "JPEG", quality=95)
    pics["shape.wmf"] = wmf(9)
    pics["drawing.emf"] = emf(10)
    os.makedirs(outdir, exist_ok=True)
    for name, data in pics.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    return pics


# ---------------------------------------------------------------- documents
# (name, paragraphs of text and pictures). A picture is ("inline"|"float", file);
# ("embed", words, [pictures]) is an embedded Writer document.
def documents():
    rng = random.Random(24)
    t = lambda n=40: ("text", words(rng, n))
    return {
        "inline": [t(), ("inline", "photo.jpg"), t(), ("inline", "chart.png"), t(), ("inline", "scan.bmp"), t()],
        "floating": [t(), ("float", "photo.jpg"), t(80), ("float", "chart.png"), t(), ("float", "palette.bmp"), t()],
        "metafiles": [t(), ("inline", "shape.wmf"), t(), ("inline", "drawing.emf"), t(), ("float", "drawing.emf"), t()],
        "mixed": [t(), ("inline", "big.jpg"), t(), ("inline", "cmyk.jpg"), ("float", "small.png"), t(),
                  ("inline", "page.tif"), t(), ("inline", "photo.jpg"), t(), ("inline", "photo.jpg"), t(),
                  ("float", "shape.wmf"), t()],
        "embedded": [t(), ("embed", words(rng, 120), ["chart.png"]), t(), ("inline", "small.png"),
                     ("embed", words(rng, 60), []), t()],
        "many": [x for i in range(12) for x in (t(), ("inline", "many%02d.jpg" % i))],
        "plain": [t(200) for _ in range(30)],
    }


class Office:
    def __init__(self, work):
        import uno  # noqa: F401 (python3-uno)
        self.port = free_port()
        profile = "file://" + os.path.join(work, "profile")
        self.proc = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
             "-env:UserInstallation=" + profile,
             "--accept=socket,host=127.0.0.1,port=%d;urp;" % self.port],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(120):
            try:
                self.ctx = resolver.resolve(
                    "uno:socket,host=127.0.0.1,port=%d;urp;StarOffice.ComponentContext" % self.port)
                break
            except Exception:
                time.sleep(0.5)
        else:
            raise SystemExit("LibreOffice did not start")
        smgr = self.ctx.ServiceManager
        self.desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", self.ctx)
        self.graphics = smgr.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", self.ctx)

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def prop(name, value):
    from com.sun.star.beans import PropertyValue
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def insert_picture(office, doc, text, cursor, path, anchor):
    from com.sun.star.awt import Size
    from com.sun.star.text.TextContentAnchorType import AS_CHARACTER, AT_PARAGRAPH
    graphic = office.graphics.queryGraphic((prop("URL", "file://" + path),))
    shape = doc.createInstance("com.sun.star.text.TextGraphicObject")
    shape.Graphic = graphic
    shape.AnchorType = AS_CHARACTER if anchor == "inline" else AT_PARAGRAPH
    shape.Size = Size(4000, 3000)
    text.insertTextContent(cursor, shape, False)


def paragraph(text, cursor):
    from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK
    text.insertControlCharacter(cursor, PARAGRAPH_BREAK, False)


def fill(office, doc, parts, picdir):
    text = doc.Text
    cursor = text.createTextCursor()
    for part in parts:
        if part[0] == "text":
            text.insertString(cursor, part[1], False)
        elif part[0] in ("inline", "float"):
            insert_picture(office, doc, text, cursor, os.path.join(picdir, part[1]), part[0])
        elif part[0] == "embed":
            obj = doc.createInstance("com.sun.star.text.TextEmbeddedObject")
            obj.CLSID = "8BC6B165-B1B2-4EDD-aa47-dae2ee689dd6"  # a Writer document
            text.insertTextContent(cursor, obj, False)
            inner = obj.getEmbeddedObject()
            itext = inner.Text
            icursor = itext.createTextCursor()
            itext.insertString(icursor, part[1], False)
            for pic in part[2]:
                paragraph(itext, icursor)
                insert_picture(office, inner, itext, icursor, os.path.join(picdir, pic), "inline")
            try:
                inner.setModified(True)
            except Exception:
                pass
        paragraph(text, cursor)


def doc_truth(parts):
    pictures, embedded, text = [], [], []
    for part in parts:
        if part[0] in ("inline", "float"):
            pictures.append(part[1])
        elif part[0] == "embed":
            embedded.append(part[1])
            pictures.extend(part[2])
        elif part[0] == "text":
            text.append(part[1])
    return {"pictures": pictures, "embedded": embedded, "text": text}


# ---------------------------------------------------------------- damage
def damage(path, outdir, name):
    data = open(path, "rb").read()
    rng = random.Random(name)
    sector = 512
    fat0 = struct.unpack_from("<I", data, 0x4C)[0]
    variants = {}
    variants["cut60"] = data[: len(data) * 6 // 10]
    z = bytearray(data)
    start = (len(data) // sector // 2) * sector
    z[start:start + 8 * sector] = bytes(8 * sector)
    variants["zeroed"] = bytes(z)
    z = bytearray(data)
    at = (fat0 + 1) * sector
    z[at:at + sector] = bytes(sector)
    variants["fat0"] = bytes(z)
    z = bytearray(data)
    for _ in range(64):
        z[rng.randrange(len(z))] = rng.randrange(256)
    variants["random"] = bytes(z)
    z = bytearray(data)
    z[:sector] = bytes(sector)
    variants["header"] = bytes(z)
    for kind, body in variants.items():
        with open(os.path.join(outdir, "%s-%s.doc" % (name, kind)), "wb") as f:
            f.write(body)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    out = os.path.abspath(sys.argv[1])
    picdir = os.path.join(out, "pictures")
    for sub in ("doc", "truth", "damage"):
        os.makedirs(os.path.join(out, sub), exist_ok=True)
    make_pictures(picdir)
    work = tempfile.mkdtemp(prefix="kw-docpics-")
    office = Office(work)
    try:
        for name, parts in documents().items():
            doc = office.desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
            fill(office, doc, parts, picdir)
            target = os.path.join(out, "doc", name + ".doc")
            doc.storeToURL("file://" + target, (prop("FilterName", "MS Word 97"),))
            if name == "embedded":  # the same as a .docx: its embedded documents in word/embeddings
                doc.storeToURL("file://" + os.path.join(out, "doc", name + ".docx"),
                               (prop("FilterName", "MS Word 2007 XML"),))
            doc.close(True)
            with open(os.path.join(out, "truth", name + ".json"), "w") as f:
                json.dump(doc_truth(parts), f, indent=1)
            if name not in ("plain", "many"):
                damage(target, os.path.join(out, "damage"), name)
            print("made", target, os.path.getsize(target))
    finally:
        office.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
