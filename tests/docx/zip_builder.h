// SPDX-License-Identifier: Apache-2.0
#pragma once
// Hand-built ZIP pieces for tests: every field explicit, so that each kind
// of damage can be made on purpose.

#include <cstdint>
#include <string>
#include <string_view>

namespace kw::test {

std::string Le16(uint16_t v);
std::string Le32(uint32_t v);

// Raw deflate data (no zlib wrapper), as a ZIP entry holds it.
std::string RawDeflate(std::string_view data);
uint32_t Crc32Of(std::string_view data);

struct LocalEntry {
  std::string name = "word/document.xml";
  uint16_t flags = 0;
  uint16_t method = 8;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0xFFFF;  // 0xFFFF: the name's real length
  std::string extra;
  std::string payload;  // the data bytes as stored in the file
  std::string signature = "PK\x03\x04";

  std::string bytes() const;
};

// A correct entry for `content`: deflated (method 8) or stored (method 0).
LocalEntry MakeEntry(std::string_view content, uint16_t method = 8, std::string name = "word/document.xml");

// A data descriptor with or without its signature.
std::string Descriptor(uint32_t crc, uint32_t compressedSize, uint32_t uncompressedSize, bool withSignature = true);

// A central directory header pointing at the local header at `offset`.
std::string CentralHeader(const LocalEntry& entry, uint32_t offset);

// A minimal document XML with these paragraphs.
std::string DocumentXml(std::initializer_list<std::string_view> paragraphs);

}  // namespace kw::test
