// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/zip/zip_central_entry.h"

#include <cstring>
#include <vector>

#include "base/yield_clock.h"
#include "formats/docx/zip/zip_local_header.h"

namespace kw {

namespace {
constexpr size_t kChunk = 1 << 20;
constexpr size_t kHeaderSize = 46;  // fixed part of a central directory header
constexpr uint8_t kSignature[4] = {'P', 'K', 1, 2};
}  // namespace

std::optional<ZipEntrySums> FindCentralEntry(SourceFile& file, int64_t from, int64_t localHeaderOffset,
                                             YieldClock* clock) {
  if (from < 1) from = 1;
  std::vector<uint8_t> buffer(kChunk + kHeaderSize - 1);
  for (int64_t pos = from;; pos += static_cast<int64_t>(kChunk)) {
    const int64_t n = file.readAt(pos, buffer.data(), buffer.size());
    if (n <= 0) return std::nullopt;
    const size_t size = static_cast<size_t>(n);
    // Headers that begin in this chunk; the overlap holds their fixed part.
    const size_t starts = std::min(size, kChunk);
    const uint8_t* p = buffer.data();
    const uint8_t* const end = buffer.data() + starts;
    while (p < end) {
      p = static_cast<const uint8_t*>(std::memchr(p, 'P', static_cast<size_t>(end - p)));
      if (p == nullptr) break;
      const size_t at = static_cast<size_t>(p - buffer.data());
      if (at + kHeaderSize <= size && std::memcmp(p, kSignature, 4) == 0 &&
          ReadLe32(p + 42) == static_cast<uint64_t>(localHeaderOffset)) {
        return ZipEntrySums{ReadLe32(p + 16), ReadLe32(p + 20), ReadLe32(p + 24)};
      }
      ++p;
    }
    if (size < buffer.size()) return std::nullopt;
    if (clock != nullptr) clock->tick();
    if (clock != nullptr && clock->stopped()) return std::nullopt;
  }
}

}  // namespace kw
