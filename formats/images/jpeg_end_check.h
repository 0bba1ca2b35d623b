// SPDX-License-Identifier: Apache-2.0
#pragma once
// The JPEG carver's end check: does the end marker FF D9 just found end the
// picture, or is it the end of something inside it (a thumbnail)?

#include <cstddef>
#include <cstdint>

namespace kw {

// `bytes` are the bytes at E + 5, E + 6 and E + 7 (E the position of the
// D9), `available` how many of them the file holds. Accepts what follows a
// picture's last byte in Word's own files:
//   44 00 64   the header size and mapping mode of the next picture's header
//              in a Word 97-2003 data stream;
//   00 00 00   zero padding;
//   14 00 ??   the version-needed field of the next ZIP local header (its
//   0A 00 ??   signature fills E + 1 to E + 4), as in a .docx that stores its
//              pictures uncompressed;
// and the end of the file (fewer than three bytes left: nothing follows).
// After the end marker of a thumbnail come the next segment's bytes instead.
bool JpegEndCheckAccepts(const uint8_t* bytes, size_t available);

}  // namespace kw
