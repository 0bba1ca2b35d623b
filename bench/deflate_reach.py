# SPDX-License-Identifier: Apache-2.0
"""Which output bytes of a raw deflate stream depend on some of its input
bytes: those written by a code read from them, those of a block whose
header they hold, and every copy of such a byte later on. A reader that
resumes past damage and marks the bytes it cannot know gives back at best
the rest, unless it guesses hidden text.

    trace = Trace(raw)            # decodes once
    mask = trace.reach([(lo, hi)])  # per output byte: 1 where it depends on raw[lo:hi]
"""

LENGTH_BASE = [3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115,
               131, 163, 195, 227, 258]
LENGTH_EXTRA = [0] * 8 + [1] * 4 + [2] * 4 + [3] * 4 + [4] * 4 + [5] * 4 + [0]
DIST_BASE = [1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049,
             3073, 4097, 6145, 8193, 12289, 16385, 24577]
DIST_EXTRA = [0, 0, 0, 0] + [k for k in range(1, 14) for _ in (0, 1)]
ORDER = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15]
MAX_BITS = 15


def table(lengths):
    """A lookup of MAX_BITS bits (first bit lowest) to (symbol, code length)."""
    out = [None] * (1 << MAX_BITS)
    count = [0] * (MAX_BITS + 1)
    for n in lengths:
        count[n] += 1
    count[0] = 0
    code, next_code = 0, [0] * (MAX_BITS + 1)
    for bits in range(1, MAX_BITS + 1):
        code = (code + count[bits - 1]) << 1
        next_code[bits] = code
    for sym, n in enumerate(lengths):
        if n == 0:
            continue
        c = next_code[n]
        next_code[n] += 1
        rev = int(format(c, f"0{n}b")[::-1], 2)
        for fill in range(rev, 1 << MAX_BITS, 1 << n):
            out[fill] = (sym, n)
    return out


FIXED = (table([8] * 144 + [9] * 112 + [7] * 24 + [8] * 8), table([5] * 30))


class Trace:
    """The stream decoded once: per block, where its header lies, and per
    symbol where it lies in the input and what it wrote."""

    def __init__(self, raw):
        self.raw = raw + bytes(8)
        self.pos = 0
        self.out = bytearray()
        # (first header bit, first code bit, [(first bit, end bit, out offset, length, distance)])
        self.blocks = []
        final = 0
        while not final:
            begin = self.pos
            final = self.bits(1)
            kind = self.bits(2)
            syms = []
            if kind == 0:
                self.pos = (self.pos + 7) & ~7
                n = self.bits(16)
                self.bits(16)
                start = self.pos
                for k in range(n):
                    syms.append((start + 8 * k, start + 8 * k + 8, len(self.out) + k, 1, 0))
                self.out += self.raw[start >> 3:(start >> 3) + n]
                self.pos = start + 8 * n
                self.blocks.append((begin, start, syms))
                continue
            lit, dist = FIXED if kind == 1 else self.dynamic()
            self.blocks.append((begin, self.pos, syms))
            while True:
                at = self.pos
                sym = self.symbol(lit)
                if sym < 256:
                    syms.append((at, self.pos, len(self.out), 1, 0))
                    self.out.append(sym)
                    continue
                if sym == 256:
                    break
                length = LENGTH_BASE[sym - 257] + self.bits(LENGTH_EXTRA[sym - 257])
                ds = self.symbol(dist)
                distance = DIST_BASE[ds] + self.bits(DIST_EXTRA[ds])
                o = len(self.out)
                syms.append((at, self.pos, o, length, distance))
                for k in range(length):
                    self.out.append(self.out[o + k - distance])

    def bits(self, n):
        v = int.from_bytes(self.raw[self.pos >> 3:(self.pos >> 3) + 4], "little") >> (self.pos & 7)
        self.pos += n
        return v & ((1 << n) - 1)

    def symbol(self, tab):
        v = int.from_bytes(self.raw[self.pos >> 3:(self.pos >> 3) + 4], "little") >> (self.pos & 7)
        sym, n = tab[v & ((1 << MAX_BITS) - 1)]
        self.pos += n
        return sym

    def dynamic(self):
        hlit, hdist, hclen = self.bits(5) + 257, self.bits(5) + 1, self.bits(4) + 4
        cl = [0] * 19
        for k in range(hclen):
            cl[ORDER[k]] = self.bits(3)
        ctab = table(cl)
        lengths = []
        while len(lengths) < hlit + hdist:
            sym = self.symbol(ctab)
            if sym < 16:
                lengths.append(sym)
            elif sym == 16:
                lengths += [lengths[-1]] * (3 + self.bits(2))
            elif sym == 17:
                lengths += [0] * (3 + self.bits(3))
            else:
                lengths += [0] * (11 + self.bits(7))
        return table(lengths[:hlit]), table(lengths[hlit:])

    def reach(self, damaged):
        """Per output byte, 1 where it depends on the input byte ranges [lo, hi) in `damaged`."""
        spans = sorted((lo * 8, hi * 8) for lo, hi in damaged)

        def hit(b0, b1):
            return any(b0 < hi and lo < b1 for lo, hi in spans)

        mask = bytearray(len(self.out))
        for k, (head, codes, syms) in enumerate(self.blocks):
            end = self.blocks[k + 1][0] if k + 1 < len(self.blocks) else self.pos
            if not hit(head, end):
                # Only copies of earlier damage can reach into this block.
                for _, _, o, length, distance in syms:
                    if distance:
                        self.spread(mask, o, length, distance)
                continue
            whole = hit(head, codes)
            for b0, b1, o, length, distance in syms:
                if whole or hit(b0, b1):
                    mask[o:o + length] = b"\x01" * length
                elif distance:
                    self.spread(mask, o, length, distance)
        return mask

    @staticmethod
    def spread(mask, o, length, distance):
        if distance >= length:
            mask[o:o + length] = mask[o - distance:o - distance + length]
        else:
            for k in range(length):
                mask[o + k] = mask[o + k - distance]
