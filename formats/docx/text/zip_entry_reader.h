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
#include <string_view>

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

// Where StreamZipEntry hands an entry's data, in order, a piece at a time.
class EntryConsumer {
 public:
  virtual ~EntryConsumer() = default;
  // Before the first piece: the size the data will have when it checks out.
  virtual void expect(uint64_t /*size*/) {}
  // The next bytes; false asks for no more (StreamZipEntry then gives kStopped).
  virtual bool add(std::string_view piece) = 0;
};

enum class EntryOutcome : uint8_t {
  kRead,     // all of ReadZipEntry's data went to the consumer
  kDropped,  // no usable entry (reported as ReadZipEntry reports it): drop what the consumer got
  kStopped,  // the consumer asked to stop, or the job was cancelled
};

// ReadZipEntry's data, handed on as it is read or inflated, so that memory
// is a few buffers whatever the entry's size; the same checks, limits and
// reports. Deflated data is proven sound only at its end: the consumer
// holds what it got until kRead.
EntryOutcome StreamZipEntry(SourceFile& file, int64_t headerPos, EntryConsumer& consumer, YieldClock* clock = nullptr,
                            DamageReport* damage = nullptr);

}  // namespace kw
