#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the batch bench's corpus: COUNT small .doc and .docx files (5-50 KB).

    bench/make_batch_corpus.py OUTDIR [COUNT]

A few seed documents are made first (pandoc for .docx, LibreOffice for .doc;
bench/setup.sh installs both), with paragraphs of lower-case words of
three lengths. Every corpus file is a seed whose words are rewritten letter
for letter with a seeded random generator: the same length in the same
places, so the structure stays valid and each file's text differs. Files go
100 to a folder, half .doc and half .docx.
"""
import os
import random
import re
import subprocess
import sys
import tempfile
import zipfile

WORDS = ("letter report minutes budget garden station harbour morning evening window "
         "number record table account member meeting project summary council weather").split()
PARAGRAPHS = (3, 20, 50)  # per seed: about 1, 6 and 15 KB of text


def seed_text(rng, paragraphs):
    return "\n\n".join(" ".join(rng.choice(WORDS) for _ in range(rng.randint(30, 50)))
                       for _ in range(paragraphs)) + "\n"


def make_seeds(work, rng):
    seeds = []
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    for i, paragraphs in enumerate(PARAGRAPHS):
        md = os.path.join(work, f"seed{i}.md")
        with open(md, "w") as f:
            f.write(seed_text(rng, paragraphs))
        docx = os.path.join(work, f"seed{i}.docx")
        subprocess.run(["pandoc", md, "-o", docx], check=True)
        subprocess.run(["soffice", f"-env:UserInstallation=file://{profile}", "--headless",
                        "--convert-to", "doc", "--outdir", work, docx],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        seeds.append(("docx", open(docx, "rb").read()))
        seeds.append(("doc", open(os.path.join(work, f"seed{i}.doc"), "rb").read()))
    return seeds


def scramble(data, rng):
    """Each lower-case letter becomes another; everything else stays."""
    table = bytes(range(256))
    letters = list(b"abcdefghijklmnopqrstuvwxyz")
    shuffled = letters[:]
    rng.shuffle(shuffled)
    table = bytearray(table)
    for a, b in zip(letters, shuffled):
        table[a] = b
    return data.translate(bytes(table))


# Runs of body text: 8-bit, or UTF-16LE (a letter then a zero byte).
DOC_TEXT = re.compile(rb"(?:[a-z ]){40,}|(?:[a-z ]\x00){40,}")
DOCX_TEXT = re.compile(rb"(<w:t(?: [^>]*)?>)([^<]*)(</w:t>)")


def vary_doc(seed, rng):
    return DOC_TEXT.sub(lambda m: scramble(m.group(0), rng), seed)


def vary_docx(seed, rng, path):
    with zipfile.ZipFile(__import__("io").BytesIO(seed)) as src, \
            zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            data = src.read(item.filename)
            if item.filename == "word/document.xml":
                data = DOCX_TEXT.sub(lambda m: m.group(1) + scramble(m.group(2), rng) + m.group(3), data)
            dst.writestr(item, data)


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    rng = random.Random(1810)
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        seeds = make_seeds(work, rng)
    sizes = []
    for n in range(count):
        kind, seed = seeds[n % len(seeds)]
        folder = os.path.join(out, f"d{n // 100:03d}")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, f"f{n:05d}.{kind}")
        if kind == "doc":
            with open(path, "wb") as f:
                f.write(vary_doc(seed, rng))
        else:
            vary_docx(seed, rng, path)
        sizes.append(os.path.getsize(path))
    print(f"{count} files in {out}: {min(sizes) // 1024}-{max(sizes) // 1024} KB, "
          f"{sum(sizes) // count // 1024} KB on average")


if __name__ == "__main__":
    main()
