// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/package_headers.h"

#include <vector>

#include "formats/docx/zip/zip_local_header.h"

namespace kw {

namespace {

constexpr uint16_t kMaxNameLength = 1024;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

bool ReadBytes(SourceFile& file, int64_t offset, size_t length, std::vector<uint8_t>* bytes) {
  bytes->resize(length);
  if (length == 0) return true;
  const int64_t got = file.readAt(offset + 1, bytes->data(), length);
  if (got < 0) return false;
  bytes->resize(static_cast<size_t>(got));
  return true;
}

bool PlausibleName(const std::string& name) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
        c == '|')
      return false;
  }
  return true;
}

// Replaces the 32-bit fields marked 0xFFFFFFFF with the Zip64 extra field's values.
void ApplyZip64(const std::vector<uint8_t>& extra, bool central, uint32_t csize32, uint32_t usize32, uint32_t offset32,
                PackageHeader* h) {
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const uint16_t id = ReadLe16(&extra[at]);
    const uint16_t size = ReadLe16(&extra[at + 2]);
    const size_t end = std::min(extra.size(), at + 4 + size);
    if (id == 0x0001) {
      size_t p = at + 4;
      auto next = [&](uint64_t* field) {
        if (p + 8 <= end) *field = ReadLe64(&extra[p]);
        p += 8;
      };
      if (usize32 == kZip64Marker || !central) next(&h->uncompressedSize);
      if (csize32 == kZip64Marker || !central) next(&h->compressedSize);
      uint64_t local = 0;
      if (central && offset32 == kZip64Marker) {
        next(&local);
        if (p <= end) h->localOffset = static_cast<int64_t>(std::min<uint64_t>(local, INT64_MAX));
      }
      return;
    }
    at += 4 + size;
  }
}

void Check(SourceFile& file, int64_t fixedSize, PackageHeader* h) {
  if (!h->signatureOk) {
    h->problem = "its signature is damaged";
  } else if ((h->version & 0xFF) > 63) {
    h->problem = "its version field holds a value no ZIP writer uses";
  } else if (h->flags & 0x0001) {
    h->problem = "the entry is encrypted";
  } else if (h->method != 0 && h->method != 8) {
    h->problem = "it uses compression method " + std::to_string(h->method) + ", which cannot be inflated here";
  } else if (h->nameLength == 0 || h->nameLength > kMaxNameLength) {
    h->problem = "its name length (" + std::to_string(h->nameLength) + ") is implausible";
  } else if (h->offset + fixedSize + h->nameLength + h->extraLength > file.size()) {
    h->problem = "it runs past the end of the file";
  }
}

}  // namespace

bool ReadLocalHeader(SourceFile& file, int64_t offset, PackageHeader* h) {
  std::vector<uint8_t> b;
  if (!ReadBytes(file, offset, PackageHeader::kLocalSize, &b) || b.size() < PackageHeader::kLocalSize) return false;
  *h = PackageHeader{};
  h->offset = offset;
  h->signatureOk = ReadLe32(&b[0]) == 0x04034B50;
  h->version = ReadLe16(&b[4]);
  h->flags = ReadLe16(&b[6]);
  h->method = ReadLe16(&b[8]);
  h->crc = ReadLe32(&b[14]);
  const uint32_t csize = ReadLe32(&b[18]), usize = ReadLe32(&b[22]);
  h->compressedSize = csize;
  h->uncompressedSize = usize;
  h->nameLength = ReadLe16(&b[26]);
  h->extraLength = ReadLe16(&b[28]);
  const uint16_t nameLength = std::min(h->nameLength, kMaxNameLength);
  std::vector<uint8_t> tail;
  if (!ReadBytes(file, offset + PackageHeader::kLocalSize, nameLength + size_t{h->extraLength}, &tail)) return false;
  h->name.assign(tail.begin(), tail.begin() + std::min<size_t>(nameLength, tail.size()));
  h->nameReadable = PlausibleName(h->name) && h->name.size() == h->nameLength;
  if (tail.size() > nameLength) {
    std::vector<uint8_t> extra(tail.begin() + nameLength, tail.end());
    ApplyZip64(extra, false, csize, usize, 0, h);
  }
  Check(file, PackageHeader::kLocalSize, h);
  return true;
}

bool ReadCentralHeader(SourceFile& file, int64_t offset, PackageHeader* h) {
  std::vector<uint8_t> b;
  if (!ReadBytes(file, offset, PackageHeader::kCentralSize, &b) || b.size() < PackageHeader::kCentralSize) return false;
  *h = PackageHeader{};
  h->offset = offset;
  h->signatureOk = ReadLe32(&b[0]) == 0x02014B50;
  h->version = ReadLe16(&b[6]);
  h->flags = ReadLe16(&b[8]);
  h->method = ReadLe16(&b[10]);
  h->crc = ReadLe32(&b[16]);
  const uint32_t csize = ReadLe32(&b[20]), usize = ReadLe32(&b[24]);
  h->compressedSize = csize;
  h->uncompressedSize = usize;
  h->nameLength = ReadLe16(&b[28]);
  h->extraLength = ReadLe16(&b[30]);
  h->commentLength = ReadLe16(&b[32]);
  const uint32_t local = ReadLe32(&b[42]);
  h->localOffset = local;
  const uint16_t nameLength = std::min(h->nameLength, kMaxNameLength);
  std::vector<uint8_t> tail;
  if (!ReadBytes(file, offset + PackageHeader::kCentralSize, nameLength + size_t{h->extraLength}, &tail)) return false;
  h->name.assign(tail.begin(), tail.begin() + std::min<size_t>(nameLength, tail.size()));
  h->nameReadable = PlausibleName(h->name) && h->name.size() == h->nameLength;
  if (tail.size() > nameLength) {
    std::vector<uint8_t> extra(tail.begin() + nameLength, tail.end());
    ApplyZip64(extra, true, csize, usize, local, h);
  }
  Check(file, PackageHeader::kCentralSize, h);
  if (h->problem.empty() && h->localOffset + PackageHeader::kLocalSize > file.size()) {
    h->problem = "it points at a local header past the end of the file";
  }
  return true;
}

}  // namespace kw
