// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/zip/docx_writer.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "base/zip_codec.h"

namespace kw {

namespace {

constexpr char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "</Types>";

constexpr char kRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "</Relationships>";

// Length of the valid UTF-8 sequence at `s`, or 0 when it is broken.
size_t Utf8Length(std::string_view s) {
  const auto b = static_cast<uint8_t>(s[0]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || n > s.size()) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<uint8_t>(s[i]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

void AppendRunText(std::string& xml, std::string_view line) {
  xml += "<w:r><w:t xml:space=\"preserve\">";
  for (size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '\t') {
      xml += "</w:t><w:tab/><w:t xml:space=\"preserve\">";
      ++i;
      continue;
    }
    const size_t n = Utf8Length(line.substr(i));
    if (n == 0) {
      ++i;  // a broken byte
      continue;
    }
    if (n == 1 && static_cast<uint8_t>(c) < 0x20) {
      // control byte
    } else if (c == '&') {
      xml += "&amp;";
    } else if (c == '<') {
      xml += "&lt;";
    } else if (c == '>') {
      xml += "&gt;";
    } else {
      xml.append(line.substr(i, n));
    }
    i += n;
  }
  xml += "</w:t></w:r>";
}

struct ZipEntry {
  std::string name;
  PackedEntry packed;
  uint32_t crc = 0;
  uint32_t size = 0;
  uint32_t offset = 0;
};

bool Pack(std::string_view data, ZipEntry* entry) {
  entry->crc = Crc32(0, data.data(), data.size());
  entry->size = static_cast<uint32_t>(data.size());
  return PackEntry(data, &entry->packed);
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The common part of a local and a central header, from "version needed".
void PutHeaderFields(std::string& out, const ZipEntry& e) {
  const bool deflated = e.packed.method == 8;
  Put16(out, deflated ? 20 : 10);               // version needed: 2.0 for deflate
  Put16(out, 0x0800);                           // flags: names are UTF-8
  Put16(out, e.packed.method);                  // method: deflated or stored
  Put16(out, 0);                                // time 00:00
  Put16(out, (2024 - 1980) << 9 | 1 << 5 | 1);  // date 2024-01-01
  Put32(out, e.crc);
  Put32(out, static_cast<uint32_t>(e.packed.bytes.size()));
  Put32(out, e.size);
  Put16(out, static_cast<uint32_t>(e.name.size()));
  Put16(out, 0);  // extra field length
}

std::string BuildZip(std::vector<ZipEntry>& entries) {
  std::string out;
  for (ZipEntry& e : entries) {
    e.offset = static_cast<uint32_t>(out.size());
    Put32(out, 0x04034B50);
    PutHeaderFields(out, e);
    out += e.name;
    out += e.packed.bytes;
  }
  const auto directory = static_cast<uint32_t>(out.size());
  for (const ZipEntry& e : entries) {
    Put32(out, 0x02014B50);
    Put16(out, 20);  // made by
    PutHeaderFields(out, e);
    Put16(out, 0);  // comment length
    Put16(out, 0);  // disk number
    Put16(out, 0);  // internal attributes
    Put32(out, 0);  // external attributes
    Put32(out, e.offset);
    out += e.name;
  }
  const auto directorySize = static_cast<uint32_t>(out.size()) - directory;
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put32(out, directorySize);
  Put32(out, directory);
  Put16(out, 0);
  return out;
}

}  // namespace

std::string DocumentXml(std::string_view text) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:body>";
  xml.reserve(xml.size() + text.size() + text.size() / 8);
  size_t start = 0;
  while (true) {
    const size_t end = text.find_first_of("\r\n", start);
    const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    xml += "<w:p>";
    if (!line.empty()) AppendRunText(xml, line);
    xml += "</w:p>";
    if (end == std::string_view::npos) break;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  xml += "</w:body></w:document>";
  return xml;
}

namespace {

Status Build(std::string_view text, std::string* package) {
  const std::string document = DocumentXml(text);
  if (document.size() > UINT32_MAX / 2) return Status::Invalid("The text is too long for a Word document.");
  std::vector<ZipEntry> entries(3);
  entries[0].name = "[Content_Types].xml";
  entries[1].name = "_rels/.rels";
  entries[2].name = "word/document.xml";
  const std::string_view parts[] = {kContentTypes, kRels, document};
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!Pack(parts[i], &entries[i])) return Status::IOError("Cannot compress the document.");
  }
  *package = BuildZip(entries);
  return Status::OK();
}

}  // namespace

Status DocxPackage(std::string_view text, std::string* package) {
  try {
    return Build(text, package);
  } catch (const std::bad_alloc&) {  // the package is built in memory
    return Status::IOError("Not enough memory to make the Word document.");
  }
}

bool NamesWordDocument(std::string_view path) {
  constexpr std::string_view kSuffix = ".docx";
  if (path.size() < kSuffix.size()) return false;
  const std::string_view end = path.substr(path.size() - kSuffix.size());
  for (size_t i = 0; i < kSuffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(end[i])) != kSuffix[i]) return false;
  }
  return true;
}

Status WriteDocx(const std::string& path, std::string_view text, const OutputFile::Options& options) {
  std::string package;
  const Status status = DocxPackage(text, &package);
  return status.ok() ? WriteOutputFile(path, package, options) : status;
}

}  // namespace kw
