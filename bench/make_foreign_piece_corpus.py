#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Makes the foreign-bytes corpus of bench/deep_docx_foreign_bench.sh: packages
of every writer with pieces of other files inside them, and the large inputs
of its speed rows.

    /usr/bin/python3 bench/make_foreign_piece_corpus.py OUTDIR
    /usr/bin/python3 bench/make_foreign_piece_corpus.py --random PATH MIB
    /usr/bin/python3 bench/make_foreign_piece_corpus.py --fs-image PATH MIB

The packages are those of bench/make_damaged_docx_corpus.py (python-docx, pandoc,
LibreOffice and AbiWord; the small and medium documents). Pieces of 4 KiB,
64 KiB and 1 MiB are cut from the middle of four other files (random bytes,
prose, a JPEG photo, and another .docx of 1.5 MiB whose words are all NATO
call signs, which no corpus word is) and put before the first entry, before
the main document, inside the first picture and at the end; one piece goes
between each further pair of entries (its file and size taken in turn); and
the other .docx's main document entry goes before the main document and
before the central directory. OUTDIR/manifest.tsv lists each case: file,
package stem, placement, source, size, and the picture the piece overlaps
("-" for none). OUTDIR/<stem>.truth.txt holds the words written,
<stem>.main.txt the main document's words, <stem>.media/ the pictures, and
other.media/ the other .docx's pictures. The same for the same writers, but
for the times they write into their packages.

--random writes MIB MiB of seeded random bytes; --fs-image an ext4 image of
MIB MiB (mke2fs -d, no root needed) filled with the system's documentation,
manual pages and Python library, in name order, to 80 % of its size."""

import html
import io
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_damaged_docx_corpus as corpus  # noqa: E402  (the writers and the words)

NATO = ("alpha bravo charlie delta echo foxtrot golf hotel india juliett kilo lima mike november oscar papa "
        "quebec romeo sierra tango uniform victor whiskey xray yankee zulu").split()
SIZES = [4 << 10, 64 << 10, 1 << 20]
DOCS = [("small", 12), ("medium", 120)]


def middle(blob, size):
    at = max(0, (len(blob) - size) // 2)
    return blob[at:at + size]


def noise_picture(rng, path, side, kind):
    from PIL import Image
    Image.frombytes("RGB", (side, side), bytes(rng.randrange(256) for _ in range(side * side * 3))).save(path, kind)


def other_docx(work, rng):
    """A 1.5 MiB package whose words are NATO call signs, and its pictures."""
    import docx
    from docx.shared import Inches
    d = docx.Document()
    for i in range(40):
        d.add_paragraph(" ".join(rng.choice(NATO) for _ in range(20)).capitalize() + ".")
        if i % 20 == 5:
            p = os.path.join(work, f"other{i}.png")
            noise_picture(rng, p, 420, "PNG")
            d.add_picture(p, width=Inches(2))
    path = os.path.join(work, "other.docx")
    d.save(path)
    return open(path, "rb").read()


def sources(work, rng):
    prose = []
    while sum(map(len, prose)) < (2 << 20):
        prose.append(" ".join(rng.choice(NATO) for _ in range(12)).capitalize() + ".\n")
    photo = os.path.join(work, "photo.jpg")
    noise_picture(rng, photo, 900, "JPEG")
    return {
        "random": bytes(rng.randrange(256) for _ in range(2 << 20)),
        "text": "".join(prose).encode(),
        "jpeg": open(photo, "rb").read(),
        "docx": other_docx(work, rng),
    }


def layout(data):
    """(name, header offset, data start, data end) of each entry, in file order."""
    out = []
    for info in zipfile.ZipFile(io.BytesIO(data)).infolist():
        off = info.header_offset
        nlen, elen = struct.unpack("<HH", data[off + 26:off + 30])
        start = off + 30 + nlen + elen
        out.append((info.filename, off, start, start + info.compress_size))
    return sorted(out, key=lambda e: e[1])


def main_entry_bytes(data):
    """The main document's local entry (header and data) of a package."""
    main = corpus.main_part(data)
    for name, off, _, end in layout(data):
        if name == main:
            return data[off:end]
    raise ValueError("no main document")


def main_words(data):
    xml = zipfile.ZipFile(io.BytesIO(data)).read(corpus.main_part(data)).decode("utf-8", "replace")
    return html.unescape(" ".join(re.findall(r"<w:t(?: [^>]*)?>([^<]*)</w:t>", xml)))


def cases(data, srcs, other_main):
    """(placement, source, size, offset, piece, overlapped picture) of each case."""
    entries = layout(data)
    main = corpus.main_part(data)
    main_at = next(off for name, off, _, _ in entries if name == main)
    media = [e for e in entries if e[0].startswith("word/media/")]
    directory = data.find(b"PK\x01\x02", entries[-1][3])
    combos = [(s, n) for n in SIZES for s in srcs]
    for source, size in combos:
        piece = middle(srcs[source], size)
        yield "first", source, size, 0, piece, "-"
        yield "main", source, size, main_at, piece, "-"
        if media:
            name, _, start, end = media[0]
            yield "picture", source, size, (start + end) // 2, piece, os.path.basename(name)
        yield "end", source, size, len(data), piece, "-"
    turn = 0
    for name, off, _, _ in entries[1:]:
        if name == main:
            continue
        source, size = combos[turn % len(combos)]
        turn += 1
        yield "between", source, size, off, middle(srcs[source], size), "-"
    yield "second", "docx-main", len(other_main), main_at, other_main, "-"
    yield "second", "docx-main", len(other_main), directory, other_main, "-"


def make_corpus(out):
    os.makedirs(out, exist_ok=True)
    work = os.path.join(out, "work")
    os.makedirs(work, exist_ok=True)
    rng = random.Random("foreign")
    srcs = sources(work, rng)
    corpus.save_media(srcs["docx"], os.path.join(out, "other.media"))
    other_main = main_entry_bytes(srcs["docx"])
    manifest = []
    for doc, count in DOCS:
        for writer, (path, truth) in corpus.make_documents(doc, count, work).items():
            stem = f"{doc}.{writer}"
            data = open(path, "rb").read()
            open(os.path.join(out, stem + ".truth.txt"), "w").write("\n".join(truth) + "\n")
            open(os.path.join(out, stem + ".main.txt"), "w").write(main_words(data) + "\n")
            corpus.save_media(data, os.path.join(out, stem + ".media"))
            for i, (placement, source, size, at, piece, overlap) in enumerate(cases(data, srcs, other_main)):
                name = f"{stem}.{i:03d}.{placement}.docx"
                open(os.path.join(out, name), "wb").write(data[:at] + piece + data[at:])
                manifest.append(f"{name}\t{stem}\t{placement}\t{source}\t{size}\t{overlap}")
    open(os.path.join(out, "manifest.tsv"), "w").write("\n".join(manifest) + "\n")
    shutil.rmtree(work)
    print(f"{len(manifest)} cases in {out}")


def random_file(path, mib):
    rng = random.Random("random bytes")
    with open(path, "wb") as f:
        for _ in range(mib):
            f.write(rng.randbytes(1 << 20))


def fs_image(path, mib):
    folder = path + ".files"
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    budget, used = mib * (1 << 20) * 8 // 10, 0
    for root in ("/usr/share/doc", "/usr/share/man", "/usr/lib/python3"):
        for top, dirs, files in os.walk(root):
            dirs.sort()
            for f in sorted(files):
                src = os.path.join(top, f)
                if os.path.islink(src) or not os.path.isfile(src):
                    continue
                size = os.path.getsize(src)
                if used + size > budget:
                    continue
                dst = os.path.join(folder, os.path.relpath(src, "/"))
                os.makedirs(os.path.dirname(dst), exist_ok=True)
                shutil.copyfile(src, dst)
                used += size
    if os.path.exists(path):
        os.remove(path)
    with open(path, "wb") as f:
        f.truncate(mib << 20)
    subprocess.run(["/usr/sbin/mke2fs", "-q", "-F", "-t", "ext4", "-d", folder, path], check=True)
    shutil.rmtree(folder)


if __name__ == "__main__":
    if sys.argv[1] == "--random":
        random_file(sys.argv[2], int(sys.argv[3]))
    elif sys.argv[1] == "--fs-image":
        fs_image(sys.argv[2], int(sys.argv[3]))
    else:
        make_corpus(sys.argv[1])
