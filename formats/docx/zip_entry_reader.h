// SPDX-License-Identifier: Apache-2.0
#pragma once
// The ZIP entry reader: the data of the one local entry whose header lies at
// a given position, read without the package's central directory, so that a
// package whose end is cut off or whose directory is damaged still gives its
// main document.
//
// Stored data is used as it is; deflated data is inflated and used only when
// its CRC-32 and size match what the package says. An entry whose sizes
// follow its data (flag bit 3, as many writers do) is inflated up to the end
// of its self-terminating stream and checked against the data descriptor
// after it, or against its central directory record when the descriptor is
// damaged. Nothing the package claims is trusted for allocation: compressed
// data is bounded by what remains of the file, output by the declared size,
// deflate's largest ratio and kMaxEntrySize. Damage gives no data, never an
// error; with a report, it says which entry was dropped and why.

#include <cstdint>
#include <optional>
#include <string>

#include "base/damage_report.h"
#include "base/source_file.h"

namespace kw {

class YieldClock;

constexpr int64_t kMaxEntrySize = int64_t{1} << 30;  // 1 GiB
constexpr int64_t kMaxDeflateRatio = 1032;           // deflate's largest output per input byte

// The data of the entry whose local header begins at the 1-based position
// `headerPos` of `file`, or nothing when the bytes there are no usable entry.
std::optional<std::string> ReadZipEntry(SourceFile& file, int64_t headerPos, YieldClock* clock = nullptr,
                                        DamageReport* damage = nullptr);

// Where the bytes of a stored entry lie: `length` bytes at the 1-based
// position `pos`, what ReadZipEntry would give (the part the file holds).
struct StoredSpan {
  int64_t pos = 0;
  int64_t length = 0;
};

// The span of the entry at `headerPos` when it is stored and passes every
// check that ReadZipEntry makes before it reads the data; nothing otherwise
// (damaged, deflated, or unreadable: ReadZipEntry then says why). Lets a
// caller read the data in pieces.
std::optional<StoredSpan> StoredEntrySpan(SourceFile& file, int64_t headerPos);

// Inflates the raw deflate data in `data` in place. True when the first
// `uncompressedSize` bytes of output (zeros where the stream gave fewer) have
// the CRC-32 `crc`; `data` then holds exactly those bytes. On false its
// content is unspecified. Sizes beyond kMaxEntrySize or the ratio give false.
bool InflateEntry(std::string& data, int32_t uncompressedSize, int32_t crc, YieldClock* clock = nullptr);

}  // namespace kw
