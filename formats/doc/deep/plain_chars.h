// SPDX-License-Identifier: Apache-2.0
#pragma once
// PlainChars8, PlainChars16: a Word piece's characters to UTF-8 in bulk, up
// to the first one that needs WordTextWriter's state (a control character
// below 0x20, or a UTF-16 surrogate).
//
// Every other character is what WordTextWriter makes of it outside a field
// instruction and a table: its UTF-8 bytes, or nothing for DEL, the C1
// controls (0x80-0x9F) and the noncharacters U+FFFE and U+FFFF. Runs of
// printable ASCII are copied sixteen bytes (eight UTF-16 units) at a time on
// the SSE2 and AVX2 paths; the AVX2 path also turns other characters into
// UTF-8 eight at a time (8-bit ones through the code page's table, UTF-16
// ones by their ranges); every SimdPath gives the same bytes.

#include <cstddef>
#include <cstdint>

#include "base/simd_dispatch.h"
#include "formats/doc/deep/code_page.h"

namespace kw {

// Room the translation of `count` characters may take: three bytes each
// plus the slack of the sixteen-byte stores.
constexpr size_t PlainCharsRoom(size_t count) { return 3 * count + 16; }

// 8-bit characters in `page`: translates bytes[0, size) up to its first byte
// below 0x20 into *out, moves *out past what it wrote, and returns how many
// bytes it took.
size_t PlainChars8(const uint8_t* bytes, size_t size, CodePage page, char** out);
// UTF-16LE units: the same on `units` units at `bytes`; returns the units taken.
size_t PlainChars16(const uint8_t* bytes, size_t units, char** out);

// The same on a given path (for the tests that compare the paths).
size_t PlainChars8On(SimdPath path, const uint8_t* bytes, size_t size, CodePage page, char** out);
size_t PlainChars16On(SimdPath path, const uint8_t* bytes, size_t units, char** out);

}  // namespace kw
