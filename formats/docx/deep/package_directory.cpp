// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/package_directory.h"

#include <algorithm>

#include "formats/docx/zip/zip_local_header.h"

namespace kw {

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;

int64_t HeaderEnd(const PackageHeader& h) {
  return h.offset + PackageHeader::kCentralSize + h.nameLength + h.extraLength + h.commentLength;
}

// Reads the end record at `at`: where its writer placed the directory and
// how many entries it lists. False when no end record starts there.
bool ReadEndRecord(SourceFile& file, int64_t at, uint64_t* directoryOffset, uint64_t* count) {
  uint8_t b[56];
  const int64_t got = file.readAt(at + 1, b, sizeof b);
  if (got >= 56 && ReadLe32(b) == kZip64EndSignature) {
    *count = ReadLe64(b + 32);
    *directoryOffset = ReadLe64(b + 48);
    return true;
  }
  if (got < 22 || ReadLe32(b) != kEndSignature) return false;
  *count = ReadLe16(b + 10);
  *directoryOffset = ReadLe32(b + 16);
  // A Zip64 package keeps the real numbers in its Zip64 record, before this one.
  return *directoryOffset != 0xFFFFFFFF && *count != 0xFFFF;
}

}  // namespace

std::vector<CentralDirectory> GroupDirectories(SourceFile& file, std::vector<PackageHeader> headers,
                                               const std::vector<int64_t>& ends) {
  std::sort(headers.begin(), headers.end(),
            [](const PackageHeader& a, const PackageHeader& b) { return a.offset < b.offset; });
  std::vector<CentralDirectory> out;
  for (PackageHeader& h : headers) {
    if (out.empty() || out.back().end != h.offset) {
      out.emplace_back();
      out.back().begin = h.offset;
    }
    out.back().end = HeaderEnd(h);
    out.back().records.push_back(std::move(h));
  }
  for (CentralDirectory& d : out) {
    if (!std::binary_search(ends.begin(), ends.end(), d.end)) continue;
    uint64_t placed = 0, count = 0;
    if (!ReadEndRecord(file, d.end, &placed, &count) || placed > static_cast<uint64_t>(INT64_MAX)) continue;
    d.hasEndRecord = true;
    d.shift = d.begin - static_cast<int64_t>(placed);
    d.complete = count == d.records.size();
  }
  return out;
}

}  // namespace kw
