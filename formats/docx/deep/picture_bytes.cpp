// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/picture_bytes.h"

#include <algorithm>
#include <cstdint>

namespace kw {

namespace {

uint32_t Be16(const unsigned char* p) { return (p[0] << 8) | p[1]; }
uint32_t Be32(const unsigned char* p) { return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
uint32_t Le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

// A dimension as a non-negative int32 (BMP stores top-down pictures with a negative height).
int32_t Clamp(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v < 0 ? -v : v, INT32_MAX)); }

void JpegSize(const unsigned char* p, size_t n, PictureRecord* r) {
  size_t at = 2;
  while (at + 4 <= n) {
    if (p[at] != 0xFF) return;
    const unsigned char marker = p[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof && at + 9 <= n) {
      r->height = static_cast<int32_t>(Be16(p + at + 5));
      r->width = static_cast<int32_t>(Be16(p + at + 7));
      return;
    }
    if (marker == 0xDA) return;  // image data before any frame header
    at += 2 + Be16(p + at + 2);
  }
}

}  // namespace

const char* PictureExtension(PictureRecord::Kind kind) {
  switch (kind) {
    case PictureRecord::Kind::kJpeg: return "jpg";
    case PictureRecord::Kind::kPng: return "png";
    case PictureRecord::Kind::kGif: return "gif";
    case PictureRecord::Kind::kBmp: return "bmp";
    case PictureRecord::Kind::kEmf: return "emf";
    case PictureRecord::Kind::kWmf: return "wmf";
    case PictureRecord::Kind::kOther: break;
  }
  return "bin";
}

bool IdentifyPicture(std::string_view bytes, PictureRecord* r) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  using K = PictureRecord::Kind;
  K kind;
  if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) {
    kind = K::kJpeg;
  } else if (n >= 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
    kind = K::kPng;
  } else if (n >= 6 && (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a")) {
    kind = K::kGif;
  } else if (n >= 26 && p[0] == 'B' && p[1] == 'M' && Le32(p + 6) == 0 && Le32(p + 14) >= 12 && Le32(p + 14) <= 124) {
    kind = K::kBmp;
  } else if (n >= 44 && Le32(p) == 1 && bytes.substr(40, 4) == " EMF") {
    kind = K::kEmf;
  } else if (n >= 4 && (Le32(p) == 0x9AC6CDD7 || ((Le16(p) == 1 || Le16(p) == 2) && Le16(p + 2) == 9 && n >= 6 &&
                                                  (Le16(p + 4) == 0x0100 || Le16(p + 4) == 0x0300)))) {
    kind = K::kWmf;
  } else {
    return false;
  }
  r->kind = kind;
  r->ext = PictureExtension(kind);
  r->width = r->height = 0;
  if (kind == K::kPng && n >= 24 && bytes.substr(12, 4) == "IHDR") {
    r->width = Clamp(Be32(p + 16));
    r->height = Clamp(Be32(p + 20));
  } else if (kind == K::kJpeg) {
    JpegSize(p, n, r);
  } else if (kind == K::kGif && n >= 10) {
    r->width = static_cast<int32_t>(Le16(p + 6));
    r->height = static_cast<int32_t>(Le16(p + 8));
  } else if (kind == K::kBmp) {
    if (Le32(p + 14) == 12) {
      r->width = static_cast<int32_t>(Le16(p + 18));
      r->height = static_cast<int32_t>(Le16(p + 20));
    } else {
      r->width = Clamp(static_cast<int32_t>(Le32(p + 18)));
      r->height = Clamp(static_cast<int32_t>(Le32(p + 22)));
    }
  }
  return true;
}

}  // namespace kw
