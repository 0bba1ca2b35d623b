#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the small seed corpora of the fuzz targets that need built inputs.

    scripts/make_fuzz_seeds.py [OUT_DIR]   (default: fuzz/corpus)

Every seed is made here from scratch: tiny pictures as the carvers see them,
entry texts with their sources, packages written with Python's zipfile, and
markup fragments. Running it again gives the same files.
"""
import io
import os
import struct
import sys
import zipfile
import zlib

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus")

JPEG = b"\xFF\xD8\xFF\xE0" + b"j" * 12 + b"\xFF\xD9"
PNG_END = b"\0\0\0\0IEND\xAE\x42\x60\x82"
PNG = b"\x89PNG\r\n\x1a\n" + b"p" * 12 + PNG_END


def write(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def package(document, compression=zipfile.ZIP_DEFLATED, stream=False):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression) as z:
        z.writestr("[Content_Types].xml", "<Types/>")
        if stream:  # sizes in a data descriptor after the data
            with z.open("word/document.xml", "w", force_zip64=False) as entry:
                entry.write(document)
        else:
            z.writestr("word/document.xml", document)
    return buffer.getvalue()


def carvers():
    t = "image_carvers_fuzz"
    write(t, "jpeg", b"doc" + JPEG + b"tail")
    write(t, "png", b"doc" + PNG + b"tail")
    write(t, "mixed", JPEG + PNG + JPEG + b"x" + PNG)
    write(t, "starts-only", b"\xFF\xD8\xFF" * 4 + b"\x89PN" * 4)
    write(t, "ends-first", b"\xFF\xD9" + PNG_END + JPEG + b"\x89PNG")
    write(t, "last-bytes", b"z" * 40 + b"\xFF\xD8\xFF\xFF\xD9")
    write(t, "nested", b"\xFF\xD8\xFF\xFF\xD8\xFF\xE0\xFF\xD9\xFF\xD9")


def extraction():
    t = "image_extract_fuzz"
    source = b"doc" + JPEG + PNG + b"tail"
    write(t, "jpeg", b"  Image #1  >     4|21|GridJ0|jpg\0" + source)
    write(t, "png", b"  Image #2  >     22|53|Grid0|png\0" + source)
    write(t, "past-end", b"  Image #1  >     30|999999|GridJ1|jpg\0" + source)
    write(t, "backwards", b"  Image #1  >     40|3|Grid1|png\0" + source)
    write(t, "spaces", b">  7 | 9 |x|y\0" + source)
    write(t, "huge", b">1|2147483647|a|b\0" + source)


def docx():
    t = "docx_zip_fuzz"
    xml = b'<?xml version="1.0"?><w:document><w:body><w:p><w:r><w:t>Hello</w:t></w:r></w:p></w:body></w:document>'
    first = struct.pack("<i", 1)
    for name, data in [("deflated", package(xml)), ("stored", package(xml, zipfile.ZIP_STORED)),
                       ("stream", package(xml, stream=True))]:
        write(t, name, first + data)
        at = data.find(b"word/document") - 30 + 1  # 1-based header of the main entry
        write(t, name + "-main", struct.pack("<i", at) + data)
    cut = package(xml * 20)
    write(t, "cut", first + cut[: len(cut) // 2])


def markup():
    t = "html_text_fuzz"
    write(t, "xml", b'<w:p><w:r><w:t xml:space="preserve">a &amp; b</w:t></w:r><w:tab/><w:br/></w:p>')
    write(t, "html", b"<html><HEAD><title>x</title></head><body><p>One<br>two<br />3%20&#65;\"q\"</p></body>")
    write(t, "unclosed", b"a<b<c>d<e>f<b<c>g")
    write(t, "stray", b"x > y <t>z</t> >> <<>>")
    write(t, "utf8", "d\u00e9j\u00e0 \ufeff<w:t>\u20ac</w:t>\xff".encode("utf-8") + b"\xff\xc3")


def deep():
    body = (b'<w:p><w:r><w:t xml:space="preserve">One &amp; two</w:t></w:r><w:r><w:tab/><w:t>3</w:t></w:r></w:p>'
            b'<w:tbl><w:tr><w:tc><w:p><w:r><w:t>cell</w:t></w:r></w:p></w:tc></w:tr></w:tbl>'
            b'<w:p><w:r><w:sym w:font="Symbol" w:char="F0B7"/><w:br/><w:delText>gone</w:delText>'
            b'<w:instrText>PAGE</w:instrText><w:noBreakHyphen/><w:t>&#x20AC;&#65;</w:t></w:r></w:p>')
    xml = b'<?xml version="1.0"?><w:document><w:body>' + body + b"</w:body></w:document>"
    t = "deep_inflate_fuzz"
    for level in (0, 1, 9):
        packer = zlib.compressobj(level, zlib.DEFLATED, -15)
        stream = packer.compress(xml) + packer.flush()
        write(t, "level%d.deflate" % level, stream)
    broken = bytearray(stream)
    broken[len(broken) // 2] ^= 0x5A
    write(t, "damaged.deflate", bytes(broken))
    t = "deep_xml_fuzz"
    write(t, "document.xml", xml)
    write(t, "fallback.xml", b"<w:p><mc:AlternateContent><mc:Choice><w:r><w:t>new</w:t></w:r></mc:Choice>"
                             b"<mc:Fallback><w:r><w:t>old</w:t></w:r></mc:Fallback></mc:AlternateContent></w:p>")
    write(t, "resumed.xml", b"t>lost\xff</w:t></w:r><w:r><w:t>kept</w:t></w:r></w:p><w:p><w:r><w:t>\xffx</w:t></w:p>")


def info():
    t = "image_info_fuzz"
    ihdr = struct.pack(">IIBBBBB", 300, 200, 8, 6, 0, 0, 0)
    write(t, "png", b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + ihdr + b"\0" * 4)
    write(t, "gif", b"GIF89a" + struct.pack("<HH", 40, 30) + b"\xf7\0\0")
    write(t, "bmp", b"BM" + b"\0" * 16 + struct.pack("<ii", 64, 48) + b"\1\0\x18\0")
    sof = b"\xFF\xC0\0\x11\x08" + struct.pack(">HH", 120, 160) + b"\x03"
    write(t, "jpeg", b"\xFF\xD8\xFF\xE0\0\x10JFIF\0" + b"\0" * 9 + sof + b"\0" * 16)
    write(t, "jpeg-late", b"junk" * 8 + b"\xFF\xD8\xFF\xE1\x7F\xFF" + b"\0" * 40)


if __name__ == "__main__":
    carvers()
    extraction()
    docx()
    markup()
    deep()
    info()
