// SPDX-License-Identifier: Apache-2.0
#pragma once
// PackageHeader: one ZIP local or central directory header as the file holds
// it, read whatever its state, with what makes it implausible.
//
// A header is read even when its signature or fields are damaged, so that a
// central directory entry can still be matched to the local header it points
// at. Zip64 sizes and offsets (the 0x0001 extra field) replace the 32-bit
// fields they stand for. Lengths are capped by the file's own size.

#include <cstdint>
#include <string>

#include "base/source_file.h"

namespace kw {

struct PackageHeader {
  // The wide fields first and the narrow ones after: a package may hold
  // 100,000 headers of each kind.
  int64_t offset = 0;  // 0-based position of the signature
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  int64_t localOffset = -1;  // central headers only: the local header's offset
  uint32_t crc = 0;
  uint16_t version = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;  // central headers only
  bool signatureOk = false;
  bool nameReadable = false;  // every byte of the name is a plausible path character
  std::string name;
  std::string problem;  // why the header cannot be trusted; empty when plausible

  static constexpr int64_t kLocalSize = 30;
  static constexpr int64_t kCentralSize = 46;
  static constexpr uint16_t kDescriptorFlag = 0x0008;
  bool hasDescriptor() const { return (flags & kDescriptorFlag) != 0; }
  int64_t localDataOffset() const { return offset + kLocalSize + nameLength + extraLength; }
};

// Reads the local header at the 0-based `offset`. False only when its fixed
// part lies past the end of the file or cannot be read.
bool ReadLocalHeader(SourceFile& file, int64_t offset, PackageHeader* header);
// The same for a central directory header.
bool ReadCentralHeader(SourceFile& file, int64_t offset, PackageHeader* header);

}  // namespace kw
