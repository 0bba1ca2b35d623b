// SPDX-License-Identifier: Apache-2.0
#include "tests/deep_docx/deep_package.h"

#include "base/source_file.h"
#include "formats/docx/deep_docx.h"
#include "tests/support/temp_dir.h"

namespace kw::test {

std::string Package(const std::vector<LocalEntry>& entries, bool withDirectory) {
  std::string body, directory;
  for (const LocalEntry& e : entries) {
    directory += CentralHeader(e, static_cast<uint32_t>(body.size()));
    body += e.bytes();
  }
  if (!withDirectory) return body;
  const auto count = static_cast<uint16_t>(entries.size());
  return body + directory + "PK\x05\x06" + Le16(0) + Le16(0) + Le16(count) + Le16(count) +
         Le32(static_cast<uint32_t>(directory.size())) + Le32(static_cast<uint32_t>(body.size())) + Le16(0);
}

std::string LongDocumentXml(int count) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
  const char* words[] = {"harbour", "lantern", "meadow", "copper", "violin",  "granite", "orchard", "saffron",
                         "willow",  "ember",   "quartz", "falcon", "thistle", "marble",  "juniper", "cobalt",
                         "pebble",  "tundra",  "velvet", "walnut", "zephyr",  "bramble", "cinder",  "dune"};
  uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    xml += "<w:p><w:pPr><w:spacing w:after=\"" + std::to_string(100 + i % 7) + "\"/></w:pPr><w:r><w:t>Paragraph " +
           std::to_string(i) + " tells of";
    for (int w = 0; w < 6; ++w) {
      seed = seed * 1103515245u + 12345u;
      xml += std::string(" ") + words[(seed >> 16) % 24];
    }
    xml += ".</w:t></w:r></w:p>";
  }
  return xml + "<w:sectPr/></w:body></w:document>";
}

std::string TinyPng(uint32_t width, uint32_t height) {
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(width) + be32(height) +
         std::string("\x08\x02\x00\x00\x00", 5) + be32(0) + std::string(64, 'x') + be32(0) + "IEND" + be32(0);
}

std::string DeepResult::reasons(const std::string& reader) const {
  std::string out;
  for (const Damage& d : damage.entries()) {
    if (d.reader == reader) out += d.reason + "\n";
  }
  return out;
}

DeepResult ReadDeep(const std::string& bytes, const RepairBudget& repairs) {
  TempDir dir;
  SourceFile file;
  DeepResult r;
  r.status = SourceFile::Open(dir.write("p.docx", bytes), &file);
  if (!r.status.ok()) return r;
  r.status = ReadDocxDeep(file, nullptr, &r.damage, &r.text, &r.pictures, repairs);
  for (const PictureRecord& p : r.pictures) {
    std::string bytes = p.bytes;
    if (p.maker) {
      const Status made = p.maker->make(
          file, [&bytes](std::string_view piece) { return bytes.append(piece), Status::OK(); }, nullptr);
      if (!made.ok()) bytes = "(not made: " + made.message() + ")";
    }
    r.pictureBytes.push_back(std::move(bytes));
  }
  return r;
}

}  // namespace kw::test
