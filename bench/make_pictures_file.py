#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the Image Recovery benchmark's data: random bytes with JPEG and PNG
pictures inserted at random places, or one file holding a single picture.

  make_pictures_file.py mixed OUT MIB JPEGS PNGS
  make_pictures_file.py single OUT MIB     (one JPEG picture of MIB MiB)
  make_pictures_file.py dense OUT MIB      (packed 11-byte PNG marker pairs)
"""
import os
import random
import struct
import sys
import zlib

rng = random.Random(1810)


def body(size):
    # Entropy-coded data never holds FF followed by anything but 00.
    return os.urandom(size).replace(b"\xff", b"\xfe")


def jpeg(size):
    header = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    return header + body(size) + b"\xff\xd9" + b"\x00" * 8  # padding after it


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(size):
    ihdr = struct.pack(">IIBBBBB", 64, 64, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", os.urandom(size)) + chunk(b"IEND", b"")


def mixed(out, mib, jpegs, pngs):
    total = mib << 20
    pictures = [jpeg(rng.randrange(10_000, 120_000)) for _ in range(jpegs)]
    pictures += [png(rng.randrange(10_000, 120_000)) for _ in range(pngs)]
    rng.shuffle(pictures)
    room = total - sum(len(p) for p in pictures)
    cuts = sorted(rng.randrange(room) for _ in pictures)
    with open(out, "wb") as f:
        at = 0
        for cut, picture in zip(cuts, pictures):
            f.write(os.urandom(cut - at))
            f.write(picture)
            at = cut
        f.write(os.urandom(room - at))


def single(out, mib):
    with open(out, "wb") as f:
        f.write(jpeg((mib << 20) - 30))


def dense(out, mib):
    unit = b"\x89PN" + b"IEND\xaeB`\x82"
    with open(out, "wb") as f:
        f.write(unit * ((mib << 20) // len(unit)))


if __name__ == "__main__":
    kind, out = sys.argv[1], sys.argv[2]
    if kind == "mixed":
        mixed(out, int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]))
    elif kind == "single":
        single(out, int(sys.argv[3]))
    else:
        dense(out, int(sys.argv[3]))
