// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/zip/zip_local_header.h"

namespace kw {

ZipLocalHeader ZipLocalHeader::Parse(const uint8_t* b) {
  ZipLocalHeader h;
  h.Signature = static_cast<int32_t>(ReadLe32(b + 0));
  h.VersionNeeded = static_cast<int16_t>(ReadLe16(b + 4));
  h.Flags = static_cast<int16_t>(ReadLe16(b + 6));
  h.Compression = static_cast<int16_t>(ReadLe16(b + 8));
  h.ModTime = static_cast<int16_t>(ReadLe16(b + 10));
  h.ModDate = static_cast<int16_t>(ReadLe16(b + 12));
  h.Crc32 = static_cast<int32_t>(ReadLe32(b + 14));
  h.CompressedSize = static_cast<int32_t>(ReadLe32(b + 18));
  h.UncompressedSize = static_cast<int32_t>(ReadLe32(b + 22));
  h.FileNameLength = static_cast<int16_t>(ReadLe16(b + 26));
  h.ExtraFieldLength = static_cast<int16_t>(ReadLe16(b + 28));
  return h;
}

}  // namespace kw
