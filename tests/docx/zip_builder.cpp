// SPDX-License-Identifier: Apache-2.0
#include "tests/docx/zip_builder.h"

#include <zlib.h>

namespace kw::test {

std::string Le16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16)); }

std::string RawDeflate(std::string_view data) {
  z_stream s{};
  deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, data.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

uint32_t Crc32Of(std::string_view data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string LocalEntry::bytes() const {
  const uint16_t length = nameLength == 0xFFFF ? static_cast<uint16_t>(name.size()) : nameLength;
  return signature + Le16(20) + Le16(flags) + Le16(method) + Le16(0) + Le16(0) + Le32(crc) + Le32(compressedSize) +
         Le32(uncompressedSize) + Le16(length) + Le16(static_cast<uint16_t>(extra.size())) + name + extra + payload;
}

LocalEntry MakeEntry(std::string_view content, uint16_t method, std::string name) {
  LocalEntry e;
  e.name = std::move(name);
  e.method = method;
  e.payload = method == 8 ? RawDeflate(content) : std::string(content);
  e.crc = Crc32Of(content);
  e.compressedSize = static_cast<uint32_t>(e.payload.size());
  e.uncompressedSize = static_cast<uint32_t>(content.size());
  return e;
}

std::string Descriptor(uint32_t crc, uint32_t compressedSize, uint32_t uncompressedSize, bool withSignature) {
  return (withSignature ? std::string("PK\x07\x08") : std::string()) + Le32(crc) + Le32(compressedSize) +
         Le32(uncompressedSize);
}

std::string CentralHeader(const LocalEntry& e, uint32_t offset) {
  return std::string("PK\x01\x02") + Le16(20) + Le16(20) + Le16(e.flags) + Le16(e.method) + Le16(0) + Le16(0) +
         Le32(e.crc) + Le32(e.compressedSize) + Le32(e.uncompressedSize) + Le16(static_cast<uint16_t>(e.name.size())) +
         Le16(0) + Le16(0) + Le16(0) + Le16(0) + Le32(0) + Le32(offset) + e.name;
}

std::string DocumentXml(std::initializer_list<std::string_view> paragraphs) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
  for (const std::string_view p : paragraphs) {
    xml += "<w:p><w:pPr><w:jc w:val=\"left\"/></w:pPr><w:r><w:t>";
    xml += p;
    xml += "</w:t></w:r></w:p>";
  }
  return xml + "<w:sectPr/></w:body></w:document>";
}

}  // namespace kw::test
