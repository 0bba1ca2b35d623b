// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/picture_heads.h"

#include <algorithm>
#include <cstring>

#include "formats/doc/stored_picture.h"

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint32_t Be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

void Put16(std::string& s, uint16_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, uint16_t(v & 0xFFFF));
  Put16(s, uint16_t(v >> 16));
}

int32_t Dimension(int64_t v) { return int32_t(std::min<int64_t>(v < 0 ? -v : v, INT32_MAX)); }

// The bitmap file header before a DIB of `total` bytes.
std::string BitmapFileHeader(const uint8_t* dib, size_t size, int64_t total) {
  const uint32_t header = DibHeaderSize(dib, size);
  if (header == 0) return {};
  uint32_t bits = 0, colours = 0, masks = 0, entry = 4;
  if (header == 12) {
    bits = U16(dib + 10);
    entry = 3;
  } else {
    bits = U16(dib + 14);
    const uint32_t compression = U32(dib + 16);
    colours = U32(dib + 32);
    if (header == 40 && compression == 3) masks = 12;  // BI_BITFIELDS
    if (header == 40 && compression == 6) masks = 16;  // BI_ALPHABITFIELDS
  }
  if (colours == 0 && bits <= 8) colours = 1u << bits;
  if (colours > 256) colours = 256;  // a damaged count; real palettes never exceed it
  std::string h = "BM";
  Put32(h, uint32_t(std::min<int64_t>(14 + total, UINT32_MAX)));
  Put32(h, 0);
  Put32(h, 14 + header + masks + colours * entry);
  return h;
}

// The placeable header before a bare Windows metafile: its bounds from the
// window it sets, and its units per inch from the size the document gives.
std::string PlaceableHeader(const StoredPicture& p, const uint8_t* wmf, size_t size) {
  int16_t org[2] = {0, 0}, ext[2] = {0, 0};
  for (size_t at = 18; at + 10 <= size;) {
    const uint32_t words = U32(wmf + at);
    const uint16_t function = U16(wmf + at + 4);
    if (words < 3 || function == 0) break;
    if (function == 0x020B) {  // SETWINDOWORG y x
      org[1] = int16_t(U16(wmf + at + 6));
      org[0] = int16_t(U16(wmf + at + 8));
    } else if (function == 0x020C) {  // SETWINDOWEXT y x
      ext[1] = int16_t(U16(wmf + at + 6));
      ext[0] = int16_t(U16(wmf + at + 8));
    }
    if (words > (size - at) / 2) break;
    at += size_t(words) * 2;
  }
  int64_t inch = 1440;
  int64_t w = ext[0], h = ext[1];
  if (w > 0 && p.hint.extentEmu[0] > 0) {
    inch = w * 914400 / p.hint.extentEmu[0];
  } else if (w > 0 && p.hint.extentHimetric[0] > 0) {
    inch = w * 2540 / p.hint.extentHimetric[0];
  } else if (w <= 0 && p.hint.extentHimetric[0] > 0) {
    w = p.hint.extentHimetric[0];
    h = p.hint.extentHimetric[1];
    inch = 2540;
  } else if (w <= 0) {
    w = h = 1000;
  }
  inch = std::clamp<int64_t>(inch, 1, 0xFFFF);
  std::string head;
  Put32(head, 0x9AC6CDD7);
  Put16(head, 0);
  Put16(head, uint16_t(org[0]));
  Put16(head, uint16_t(org[1]));
  Put16(head, uint16_t(std::clamp<int64_t>(org[0] + w, -32768, 32767)));
  Put16(head, uint16_t(std::clamp<int64_t>(org[1] + h, -32768, 32767)));
  Put16(head, uint16_t(inch));
  Put32(head, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < head.size(); i += 2) sum ^= U16(reinterpret_cast<const uint8_t*>(head.data()) + i);
  Put16(head, sum);
  return head;
}

}  // namespace

uint32_t DibHeaderSize(const uint8_t* d, size_t size) {
  if (size < 16) return 0;
  const uint32_t header = U32(d);
  if (header == 12) return U16(d + 8) == 1 && U16(d + 10) <= 32 && U16(d + 4) > 0 ? 12 : 0;
  static constexpr uint32_t kSizes[] = {40, 52, 56, 64, 108, 124};
  if (std::find(std::begin(kSizes), std::end(kSizes), header) == std::end(kSizes) || size < 36) return 0;
  const uint16_t bits = U16(d + 14);
  const bool depth = bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  return U16(d + 12) == 1 && depth && int32_t(U32(d + 4)) > 0 && U32(d + 16) <= 6 ? header : 0;
}

bool BareWmfHeader(const uint8_t* w, size_t size) {
  return size >= 18 && (U16(w) == 1 || U16(w) == 2) && U16(w + 2) == 9 && (U16(w + 4) == 0x100 || U16(w + 4) == 0x300);
}

std::string PictureHead(const StoredPicture& p, const uint8_t* first, size_t size) {
  const int64_t body = p.deflated ? p.rawSize : p.stored;
  if (p.dib && !(size >= 2 && first[0] == 'B' && first[1] == 'M')) return BitmapFileHeader(first, size, body);
  if (p.pict) return std::string(512, '\0');
  if (p.kind == PictureRecord::Kind::kWmf && BareWmfHeader(first, size)) return PlaceableHeader(p, first, size);
  return {};
}

void ReadPictureSize(const StoredPicture& p, const uint8_t* d, size_t n, int32_t* width, int32_t* height) {
  if (p.kind == PictureRecord::Kind::kPng && n >= 24 && std::memcmp(d + 12, "IHDR", 4) == 0) {
    *width = Dimension(Be32(d + 16));
    *height = Dimension(Be32(d + 20));
  } else if (p.kind == PictureRecord::Kind::kJpeg && n >= 4 && d[0] == 0xFF && d[1] == 0xD8) {
    for (size_t at = 2; at + 9 <= n && d[at] == 0xFF;) {
      const uint8_t marker = d[at + 1];
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
        *height = int32_t(Be16(d + at + 5));
        *width = int32_t(Be16(d + at + 7));
        return;
      }
      if (marker == 0xDA) return;
      at += 2 + Be16(d + at + 2);
    }
  } else if (p.dib && DibHeaderSize(d, n) == 12) {
    *width = U16(d + 4);
    *height = U16(d + 6);
  } else if (p.dib && DibHeaderSize(d, n) > 0) {
    *width = Dimension(int32_t(U32(d + 4)));
    *height = Dimension(int32_t(U32(d + 8)));
  }
}

}  // namespace kw
