// SPDX-License-Identifier: Apache-2.0
#pragma once
// ZipLocalHeader: the fixed 30-byte part of a ZIP local file header.
//
// Fields are held signed, as the package's numbers are read: a length of
// 32768 or more, or a size of 2 GiB or more, shows as negative, and callers
// treat negative values as damage.

#include <cstddef>
#include <cstdint>

namespace kw {

struct ZipLocalHeader {
  int32_t Signature = 0;
  int16_t VersionNeeded = 0;
  int16_t Flags = 0;
  int16_t Compression = 0;  // 0 stored, 8 deflated
  int16_t ModTime = 0;
  int16_t ModDate = 0;
  int32_t Crc32 = 0;
  int32_t CompressedSize = 0;
  int32_t UncompressedSize = 0;
  int16_t FileNameLength = 0;
  int16_t ExtraFieldLength = 0;

  static constexpr size_t kSize = 30;
  static constexpr int32_t kSignature = 0x04034B50;  // "PK\3\4"
  static constexpr int16_t kStored = 0;
  static constexpr int16_t kDeflated = 8;
  // Flag bit 3: the CRC and sizes follow the data in a data descriptor.
  static constexpr int16_t kDataDescriptorFlag = 0x0008;

  // Reads the fields little-endian from `bytes` (kSize of them).
  static ZipLocalHeader Parse(const uint8_t* bytes);

  bool hasDataDescriptor() const { return (Flags & kDataDescriptorFlag) != 0; }
};

// Little-endian readers for the package's numbers.
inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t ReadLe64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadLe32(p)) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32);
}

}  // namespace kw
