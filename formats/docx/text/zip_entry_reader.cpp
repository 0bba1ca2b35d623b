// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/zip_entry_reader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/yield_clock.h"
#include "base/zip_codec.h"
#include "formats/docx/zip/raw_inflater.h"
#include "formats/docx/zip/zip_central_entry.h"
#include "formats/docx/zip/zip_local_header.h"

namespace kw {

namespace {

constexpr size_t kFeedSize = 1 << 20;
// What the inflater is given at a time: small enough that a stream packed a
// thousand to one still yields every few milliseconds.
constexpr size_t kInflateStep = 16 << 10;
constexpr uint32_t kDescriptorSignature = 0x08074B50;  // "PK\7\8"

void Tick(YieldClock* clock) {
  if (clock != nullptr) clock->tick();
}

bool Stopped(const YieldClock* clock) { return clock != nullptr && clock->stopped(); }

uint32_t Crc(uint32_t crc, const char* data, size_t size, YieldClock* clock = nullptr) {
  while (size > 0) {
    const size_t piece = std::min<size_t>(size, 1 << 20);
    crc = Crc32(crc, data, piece);
    data += piece;
    size -= piece;
    Tick(clock);
  }
  return crc;
}

struct Sums {
  uint32_t crc;
  uint64_t compressedSize;
  uint64_t uncompressedSize;
  bool operator==(const Sums&) const = default;
};

// True when the data descriptor after the data, in any of its forms (with or
// without its signature, 32- or 64-bit sizes), records `actual`.
bool DescriptorMatches(SourceFile& file, int64_t pos, const Sums& actual) {
  std::array<uint8_t, 24> d{};
  if (file.readAt(pos, d.data(), d.size()) < 0) return false;
  for (const size_t skip : {size_t{0}, size_t{4}}) {
    if (skip == 4 && ReadLe32(d.data()) != kDescriptorSignature) continue;
    const uint8_t* p = d.data() + skip;
    if (Sums{ReadLe32(p), ReadLe32(p + 4), ReadLe32(p + 8)} == actual) return true;
    if (Sums{ReadLe32(p), ReadLe64(p + 4), ReadLe64(p + 12)} == actual) return true;
  }
  return false;
}

// Inflates the stream at `dataPos` without keeping its output, up to `cap`
// bytes of it: its CRC-32 and sizes, or nothing when it does not end there.
std::optional<Sums> MeasureStream(SourceFile& file, int64_t dataPos, int64_t cap, YieldClock* clock) {
  InflateStream stream;
  if (!stream.usable()) return std::nullopt;
  std::vector<uint8_t> in(kFeedSize), out(64 << 10);
  Sums sums{0, 0, 0};
  using Result = InflateStream::Result;
  Result result = Result::kProgress;
  for (int64_t pos = dataPos; result == Result::kProgress && !Stopped(clock);) {
    const int64_t n = file.readAt(pos, in.data(), in.size());
    if (n <= 0) break;
    pos += n;
    const uint8_t* next = in.data();
    size_t left = static_cast<size_t>(n);
    bool full = false;
    while (result == Result::kProgress && (left > 0 || full)) {
      uint8_t* to = out.data();
      size_t room = out.size();
      const size_t before = left;
      result = stream.run(&next, &left, &to, &room);
      const size_t made = out.size() - room;
      sums.crc = Crc32(sums.crc, out.data(), made);
      sums.uncompressedSize += made;
      sums.compressedSize += before - left;
      full = room == 0;
      if (sums.uncompressedSize > static_cast<uint64_t>(cap)) result = Result::kError;
      if (result == Result::kNeedInput && left == 0) result = Result::kProgress;  // wants more input
      Tick(clock);
      if (Stopped(clock)) break;
    }
  }
  if (result != Result::kEnd) return std::nullopt;
  return sums;
}

// The consumer's side of one read: what it was given, its CRC-32, and
// whether it asked to stop.
struct Handout {
  EntryConsumer& consumer;
  uint32_t crc = 0;
  uint64_t given = 0;
  bool refused = false;
  bool summed = true;  // the CRC-32 is wanted (inflated data; stored data is taken as it is)

  void put(std::string_view piece) {
    if (refused || piece.empty()) return;
    if (summed) {
      crc = Crc32(crc, piece.data(), piece.size());
    }
    given += piece.size();
    refused = !consumer.add(piece);
  }
};

// Inflates `length` compressed bytes at `pos` into `out`, at most `limit`
// bytes of output; false when cancelled or the consumer refused.
bool InflateInto(SourceFile& file, int64_t pos, int64_t length, uint64_t limit, Handout& out, YieldClock* clock,
                 bool* readFailed) {
  RawInflater inflater(static_cast<size_t>(limit));
  // A few input bytes can inflate to megabytes: the clock is looked at after
  // every piece of output, and once cancelled the rest of the step is dropped.
  inflater.setSink([&](std::string_view piece) {
    out.put(piece);
    Tick(clock);
    if (Stopped(clock)) out.refused = true;
  });
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(length, 1), kFeedSize)));
  for (int64_t at = 0; at < length;) {
    const int64_t n =
        file.readAt(pos + at, buffer.data(), static_cast<size_t>(std::min<int64_t>(length - at, kFeedSize)));
    if (n < 0) {
      *readFailed = true;
      return true;
    }
    if (n == 0) break;
    at += n;
    bool fed = true;
    for (int64_t step = 0; fed && step < n; step += static_cast<int64_t>(kInflateStep)) {
      fed = inflater.feed(buffer.data() + step, std::min<size_t>(kInflateStep, static_cast<size_t>(n - step)));
      Tick(clock);
      if (Stopped(clock) || out.refused) return false;
    }
    if (!fed) break;
  }
  return true;
}

// An entry whose CRC and sizes follow its data: inflate to the end of the
// stream, then check what it gave against the descriptor, the central
// directory or, when the writer filled them in, the header itself. The
// stream is measured first and handed on only when it checks out, so that
// one inflating to the limit (a zip bomb) costs time, never memory.
EntryOutcome StreamDescribedEntry(SourceFile& file, const ZipLocalHeader& header, int64_t headerPos, int64_t dataPos,
                                  Handout& out, YieldClock* clock, std::string* why) {
  const int64_t remaining = file.size() - (dataPos - 1);
  if (remaining <= 0) {
    *why = "the file ends before the entry's data";
    return EntryOutcome::kDropped;
  }
  const int64_t cap = std::min(kMaxEntrySize, remaining * kMaxDeflateRatio);
  const std::optional<Sums> measured = MeasureStream(file, dataPos, cap, clock);
  if (Stopped(clock)) return EntryOutcome::kStopped;
  if (!measured) {
    *why = "its deflated data is damaged, cut short or larger than the limit";
    return EntryOutcome::kDropped;
  }
  const Sums& actual = *measured;
  const uint64_t consumed = actual.compressedSize;
  const bool matches =
      DescriptorMatches(file, dataPos + static_cast<int64_t>(consumed), actual) ||
      Sums{static_cast<uint32_t>(header.Crc32), static_cast<uint32_t>(header.CompressedSize),
           static_cast<uint32_t>(header.UncompressedSize)} == actual ||
      [&] {
        const auto central = FindCentralEntry(file, dataPos + static_cast<int64_t>(consumed), headerPos - 1, clock);
        return central && Sums{central->crc, central->compressedSize, central->uncompressedSize} == actual;
      }();
  if (!matches) {
    *why = "its data does not match the CRC and sizes the package gives for it";
    return EntryOutcome::kDropped;
  }
  // The same bytes again, handed on this time.
  out.consumer.expect(actual.uncompressedSize);
  bool readFailed = false;
  if (!InflateInto(file, dataPos, static_cast<int64_t>(consumed), actual.uncompressedSize, out, clock, &readFailed)) {
    return EntryOutcome::kStopped;
  }
  if (readFailed || out.given != actual.uncompressedSize || out.crc != actual.crc) {
    *why = "its data changed while it was read";
    return EntryOutcome::kDropped;
  }
  return EntryOutcome::kRead;
}

// The stored bytes, `length` of them at `pos` (fewer when the file ends sooner).
EntryOutcome StreamStored(SourceFile& file, int64_t pos, int64_t length, Handout& out, YieldClock* clock,
                          std::string* why) {
  out.consumer.expect(static_cast<uint64_t>(length));
  out.summed = false;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(length, 1), kFeedSize)));
  for (int64_t at = 0; at < length;) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(length - at, kFeedSize));
    const int64_t n = file.readAt(pos + at, buffer.data(), want);
    if (n < 0) {
      *why = "it cannot be read";
      return EntryOutcome::kDropped;
    }
    out.put({reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(n)});
    Tick(clock);
    if (Stopped(clock) || out.refused) return EntryOutcome::kStopped;
    if (static_cast<size_t>(n) < want) break;
    at += n;
  }
  return EntryOutcome::kRead;
}

// A deflated entry whose sizes are in its header: inflated up to the size
// it gives; when the stream gives fewer bytes, zeros make up the rest if
// the CRC-32 still matches with them.
EntryOutcome StreamDeflated(SourceFile& file, const ZipLocalHeader& header, int64_t dataPos, int64_t length,
                            Handout& out, YieldClock* clock, std::string* why) {
  const int64_t size = header.UncompressedSize;
  *why = "its deflated data is damaged or cut short (the CRC-32 or size does not match)";
  if (size > kMaxEntrySize || size > length * kMaxDeflateRatio) return EntryOutcome::kDropped;
  out.consumer.expect(static_cast<uint64_t>(size));
  bool readFailed = false;
  if (!InflateInto(file, dataPos, length, static_cast<uint64_t>(size), out, clock, &readFailed)) {
    return EntryOutcome::kStopped;
  }
  if (readFailed) {
    *why = "it cannot be read";
    return EntryOutcome::kDropped;
  }
  static const std::array<char, 64 << 10> kZeros{};
  const uint64_t zeros = static_cast<uint64_t>(size) - out.given;
  uint32_t crc = out.crc;
  for (uint64_t left = zeros; left > 0;) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, kZeros.size()));
    crc = Crc(crc, kZeros.data(), piece);
    left -= piece;
  }
  if (crc != static_cast<uint32_t>(header.Crc32)) return EntryOutcome::kDropped;
  for (uint64_t left = zeros; left > 0 && !out.refused;) {  // a stream that stopped short, whose zero tail matched
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, kZeros.size()));
    out.put({kZeros.data(), piece});
    left -= piece;
    Tick(clock);
    if (Stopped(clock)) return EntryOutcome::kStopped;
  }
  return out.refused ? EntryOutcome::kStopped : EntryOutcome::kRead;
}

EntryOutcome StreamEntry(SourceFile& file, int64_t headerPos, Handout& out, YieldClock* clock, std::string* why) {
  if (headerPos < 1) return EntryOutcome::kDropped;
  std::array<uint8_t, ZipLocalHeader::kSize> fixed{};  // bytes past the end read as zero
  if (file.readAt(headerPos, fixed.data(), fixed.size()) < 0) {
    *why = "it cannot be read";
    return EntryOutcome::kDropped;
  }
  const ZipLocalHeader header = ZipLocalHeader::Parse(fixed.data());
  if (header.Signature != ZipLocalHeader::kSignature) {
    *why = "its local header has no ZIP signature";
    return EntryOutcome::kDropped;
  }
  if (header.FileNameLength < 0 || header.ExtraFieldLength < 0) {
    *why = "its local header gives impossible name or extra lengths";
    return EntryOutcome::kDropped;
  }
  const int64_t dataPos =
      headerPos + static_cast<int64_t>(ZipLocalHeader::kSize) + header.FileNameLength + header.ExtraFieldLength;
  Tick(clock);

  if (header.Compression == ZipLocalHeader::kDeflated && header.hasDataDescriptor()) {
    return StreamDescribedEntry(file, header, headerPos, dataPos, out, clock, why);
  }
  if (header.Compression != ZipLocalHeader::kStored && header.Compression != ZipLocalHeader::kDeflated) {
    *why = "it uses compression method " + std::to_string(header.Compression) + ", which is not read";
    return EntryOutcome::kDropped;
  }
  if (header.CompressedSize <= 0) {
    *why = "its local header gives no compressed size";
    return EntryOutcome::kDropped;
  }
  // Only what the file still holds is read; a stored entry cut off by the
  // end of the file gives the part that is there.
  const int64_t remaining = std::max<int64_t>(0, file.size() - (dataPos - 1));
  const int64_t length = std::min<int64_t>(header.CompressedSize, remaining);
  if (header.Compression == ZipLocalHeader::kStored) return StreamStored(file, dataPos, length, out, clock, why);
  if (header.UncompressedSize <= 0) {
    *why = "its local header gives no uncompressed size";
    return EntryOutcome::kDropped;
  }
  Tick(clock);
  return StreamDeflated(file, header, dataPos, length, out, clock, why);
}

// Keeps every piece, in room for the size announced.
class WholeEntry : public EntryConsumer {
 public:
  void expect(uint64_t size) override { data.reserve(static_cast<size_t>(size)); }
  bool add(std::string_view piece) override {
    data.append(piece);
    return true;
  }
  std::string data;
};

}  // namespace

EntryOutcome StreamZipEntry(SourceFile& file, int64_t headerPos, EntryConsumer& consumer, YieldClock* clock,
                            DamageReport* damage) {
  std::string why;
  Handout out{consumer};
  const EntryOutcome outcome = StreamEntry(file, headerPos, out, clock, &why);
  if (outcome == EntryOutcome::kDropped && damage != nullptr && headerPos >= 1 && !Stopped(clock)) {
    damage->add(headerPos - 1, std::max<int64_t>(0, file.size() - (headerPos - 1)), "zip",
                "The entry at this offset was dropped: " + why + ".");
  }
  return outcome;
}

std::optional<std::string> ReadZipEntry(SourceFile& file, int64_t headerPos, YieldClock* clock, DamageReport* damage) {
  WholeEntry whole;
  if (StreamZipEntry(file, headerPos, whole, clock, damage) != EntryOutcome::kRead) return std::nullopt;
  return std::move(whole.data);
}

}  // namespace kw
