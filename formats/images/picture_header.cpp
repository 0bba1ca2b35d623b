// SPDX-License-Identifier: Apache-2.0
#include "formats/images/picture_header.h"

#include <optional>
#include <vector>

#include "base/source_file.h"

namespace kw {

namespace {

constexpr size_t kHeaderBytes = 65536;
constexpr size_t kJpegLimit = 65525;  // the JPEG walk stops there

// high * 256 + low in signed 16-bit arithmetic: nothing above 32767.
std::optional<int32_t> Word16(uint8_t high, uint8_t low) {
  const int32_t value = high * 256 + low;
  if (value > INT16_MAX) return std::nullopt;
  return value;
}

bool IsStartOfFrame(uint8_t m) {
  return (m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) || (m >= 0xCD && m <= 0xCF);
}

}  // namespace

void PictureHeader::read() {
  SourceFile file;
  if (!SourceFile::Open(fileName, &file).ok()) return;
  std::vector<uint8_t> b(kHeaderBytes, 0);  // a short file reads zeros past its end
  if (file.readAt(1, b.data(), b.size()) < 0) return;
  file.close();

  if (b[0] == 0x89 && b[1] == 0x50 && b[2] == 0x4E) {
    type = kPng;
    const int32_t d = b[24];
    switch (b[25]) {  // colour type
      case 0: depth = d; break;
      case 2: depth = d * 3; break;
      case 3: depth = 8; break;
      case 4: depth = d * 2; break;
      case 6: depth = d * 4; break;
      default: type = kNone; break;
    }
    if (type == kPng) {
      const auto w = Word16(b[18], b[19]);
      if (!w) return;
      width = *w;
      const auto h = Word16(b[22], b[23]);
      if (!h) return;
      height = *h;
    }
  }
  if (b[0] == 'G' && b[1] == 'I' && b[2] == 'F') {
    type = kGif;
    const auto w = Word16(b[7], b[6]);
    if (!w) return;
    width = *w;
    const auto h = Word16(b[9], b[8]);
    if (!h) return;
    height = *h;
    depth = (b[10] & 7) + 1;
  }
  if (b[0] == 'B' && b[1] == 'M') {
    type = kBmp;
    const auto w = Word16(b[19], b[18]);
    if (!w) return;
    width = *w;
    const auto h = Word16(b[23], b[22]);
    if (!h) return;
    height = *h;
    depth = b[28];
  }
  if (type != kNone) return;

  size_t j = 0;
  while (j <= kJpegLimit && !(b[j] == 0xFF && b[j + 1] == 0xD8 && b[j + 2] == 0xFF)) ++j;
  size_t i = j + 2;  // the FF that begins the next segment
  if (i >= kJpegLimit) return;
  while (true) {
    if (b[i] == 0xFF && b[i + 1] != 0xFF) {
      ++i;
      const uint8_t m = b[i];
      if (IsStartOfFrame(m)) {
        type = kJpeg;
        const auto h = Word16(b[i + 4], b[i + 5]);
        if (!h) return;
        height = *h;
        const auto w = Word16(b[i + 6], b[i + 7]);
        if (!w) return;
        width = *w;
        depth = b[i + 8] * 8;
        return;
      }
      const auto length = Word16(b[i + 1], b[i + 2]);  // counts its own two bytes
      if (!length) return;
      i += static_cast<size_t>(*length);  // the segment's last byte
    } else {
      ++i;
    }
    if (i >= kJpegLimit) return;
  }
}

}  // namespace kw
