// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/package_directory.h"

#include <algorithm>
#include <iterator>

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
  // The runs of headers that follow each other, as [first, last) indexes,
  // then each run's records moved in at once: the one directory of most
  // packages takes the vector itself, so that no record is held twice.
  std::vector<CentralDirectory> out;
  std::vector<size_t> firsts;
  for (size_t i = 0; i < headers.size(); ++i) {
    if (out.empty() || out.back().end != headers[i].offset) {
      out.emplace_back();
      out.back().begin = headers[i].offset;
      firsts.push_back(i);
    }
    out.back().end = HeaderEnd(headers[i]);
  }
  if (out.size() == 1) {
    out[0].records = std::move(headers);
  } else {
    for (size_t k = 0; k < out.size(); ++k) {
      const size_t last = k + 1 < out.size() ? firsts[k + 1] : headers.size();
      out[k].records.assign(std::make_move_iterator(headers.begin() + static_cast<ptrdiff_t>(firsts[k])),
                            std::make_move_iterator(headers.begin() + static_cast<ptrdiff_t>(last)));
    }
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
