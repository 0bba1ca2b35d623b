#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the damaged Word 97-2003 samples in samples/ (deterministic).

Two are laid out byte by byte, so that each shows one case clearly; one is a
real LibreOffice document (needs soffice) with its header wiped.
"""
import os
import random
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "samples")

LETTER = [
    "Dear Sam,",
    "",
    "Thank you for the quarterly figures you sent last week. The harbour project is on "
    "schedule, and the new crane arrives on the fourth of March.",
    "",
    "Please bring the signed contracts to Friday's meeting. We will also review the budget "
    "for the second warehouse, which grew by twelve percent after the survey.",
    "",
    "Kind regards,\x0bAda Lindqvist\x0bOperations, Northwind Shipping",
]


def word97_like(paragraphs, rng):
    """A file shaped like a Word 97-2003 document: a compound-file header and
    tables before offset 0xA00, the text there (paragraph marks 0x0D, line
    breaks 0x0B), the end marker 0x25 0xB0, then more binary tables."""
    header = bytearray(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + bytes(504))
    header += bytes(rng.randrange(256) if i % 7 == 0 else 0 for i in range(0xA00 - len(header)))
    text = "\r".join(paragraphs).encode("cp1252") + b"\r"
    tail = bytes(rng.randrange(256) for _ in range(3000))
    return bytes(header) + text + b"\x25\xb0" + tail


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    rng = random.Random(1810)
    os.makedirs(OUT, exist_ok=True)

    whole = word97_like(LETTER, rng)
    # Cut off in the middle of the fifth paragraph: no end marker, no tables.
    cut = whole.find(b"budget") + len(b"budget")
    write("letter-cut-short.doc", whole[:cut])

    # The first 3 KiB (header and the first paragraph's start) overwritten
    # with zeros: Quick Recovery's fixed start is lost, Salvage finds the text.
    damaged = bytearray(word97_like(LETTER, rng))
    damaged[:0xA00 + 12] = bytes(0xA00 + 12)
    write("letter-overwritten-header.doc", bytes(damaged))

    # A real LibreOffice document (text stored two bytes per character) with
    # its first sector wiped, so no word processor opens it any more.
    soffice = shutil.which("soffice")
    if soffice:
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "minutes.txt")
            with open(src, "w", encoding="utf-8") as f:
                f.write("Minutes of the board meeting, 3 June\n\n"
                        "Present: Ada, Sam, Priya and Tomasz.\n\n"
                        "1. The harbour crane contract was signed.\n"
                        "2. The second warehouse budget was approved at 1.12 million.\n"
                        "3. Next meeting: 1 July, 10:00, in the north office.\n")
            subprocess.run([soffice, "--headless", "--convert-to", "doc:MS Word 97", "--outdir", tmp, src],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(os.path.join(tmp, "minutes.doc"), "rb") as f:
                doc = bytearray(f.read())
        doc[:512] = bytes(512)
        write("minutes-wiped-header.doc", bytes(doc))


if __name__ == "__main__":
    main()
