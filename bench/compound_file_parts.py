# SPDX-License-Identifier: Apache-2.0
"""The fixed parts of a version 4 compound file (4096-byte sectors, no DIFAT
sectors), shared by the bench generators of big .doc files."""
import struct

SECTOR = 4096
FREE, END, FAT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD


def directory_entry(name, typ, start, size, child, right):
    """One 128-byte directory entry."""
    e = bytearray(128)
    raw = name.encode("utf-16-le")
    e[: len(raw)] = raw
    struct.pack_into("<HBB", e, 0x40, len(raw) + 2, typ, 1)
    struct.pack_into("<III", e, 0x44, FREE, right, child)
    struct.pack_into("<IQ", e, 0x74, start, size)
    return bytes(e)


def directory(streams, starts):
    """The directory sector: the root, then `streams` [(name, bytes)] as a
    chain of right siblings starting at the given sectors."""
    out = directory_entry("Root Entry", 5, END, 0, 1, FREE)
    for i, (name, body) in enumerate(streams):
        out += directory_entry(name, 2, starts[i], len(body), FREE, i + 2 if i + 1 < len(streams) else FREE)
    return out + bytes(SECTOR - len(out))


def header(nfat):
    """The header sector of a file whose FAT is sectors 0..nfat-1 and whose
    directory is sector nfat."""
    h = bytearray(SECTOR)
    h[:8] = bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1])
    struct.pack_into("<HHHHH", h, 0x18, 0x3E, 4, 0xFFFE, 12, 6)
    struct.pack_into("<IIIIIIIII", h, 0x28, 1, nfat, nfat, 0, 4096, END, 0, END, 0)
    for i in range(109):
        struct.pack_into("<I", h, 0x4C + 4 * i, i if i < nfat else FREE)
    return bytes(h)
