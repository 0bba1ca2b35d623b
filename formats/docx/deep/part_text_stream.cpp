// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/part_text_stream.h"

#include <algorithm>
#include <vector>

#include "base/yield_clock.h"
#include "base/zip_codec.h"
#include "formats/docx/zip/raw_inflater.h"

namespace kw {

namespace {

constexpr size_t kMaxRatio = 1032;  // the most that deflate can expand, as ReadEntryData takes it
constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kInflateStep = 16 << 10;  // as ReadEntryData feeds its clean inflater
// A part is read whole for its unknown bytes only up to this much input: a
// larger one would be held whole beside its text.
constexpr size_t kWholeUnknownInput = size_t{16} << 20;

// Where the part's bytes go: the reader, the head, the count and the CRC-32.
struct Intake {
  WordXmlText* reader;
  PartStream* result;
  YieldClock* clock;
  uint32_t crc = 0;

  void put(std::string_view bytes) {
    if (result->head.size() < kPartHead) result->head.append(bytes.substr(0, kPartHead - result->head.size()));
    crc = Crc32(crc, bytes.data(), bytes.size());
    result->produced += bytes.size();
    reader->feed(bytes, clock);
  }
  bool crcMatches(const PackageEntry& entry) const {
    return entry.crcs.empty() || std::find(entry.crcs.begin(), entry.crcs.end(), crc) != entry.crcs.end();
  }
};

bool Stopped(YieldClock* clock) { return clock != nullptr && clock->stopped(); }

}  // namespace

Status StreamPartText(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
                      DamageReport* damage, WordXmlText* reader, PartStream* result) {
  *result = PartStream{};
  const std::string label = EntryLabel(entry);
  auto report = [&](int64_t offset, int64_t length, std::string reason) {
    if (damage != nullptr) damage->add(offset, length, "inflate", std::move(reason));
  };
  Intake intake{reader, result, clock};
  const size_t stored = static_cast<size_t>(std::max<int64_t>(0, entry.dataEnd - entry.dataOffset));
  // What ReadEntryData reads of the entry: up to the limit, and what the file holds.
  const size_t held = static_cast<size_t>(std::max<int64_t>(0, file.size() - entry.dataOffset));
  const size_t input = std::min({stored, options.absoluteLimit, held});
  const size_t limit = std::min(options.absoluteLimit, std::max<size_t>(1 << 16, input * kMaxRatio));
  RawInflater inflater(limit);
  inflater.setSink([&](std::string_view piece) { intake.put(piece); });
  const bool deflated = entry.method != 0;
  std::vector<uint8_t> buffer(std::min(kReadChunk, std::max<size_t>(input, 1)));
  reader->beginStream(input <= kWholeUnknownInput);
  bool feeding = true;
  for (size_t at = 0; feeding && at < input;) {
    const size_t n = std::min(kReadChunk, input - at);
    const int64_t got = file.readAt(entry.dataOffset + 1 + static_cast<int64_t>(at), buffer.data(), n);
    if (got < 0) return file.lastError();
    if (got == 0) break;
    at += static_cast<size_t>(got);
    if (!deflated) {
      intake.put({reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(got)});
    } else {
      for (size_t step = 0; feeding && step < static_cast<size_t>(got); step += kInflateStep) {
        feeding = inflater.feed(buffer.data() + step, std::min(kInflateStep, static_cast<size_t>(got) - step));
        if (clock != nullptr) clock->tick();
        if (Stopped(clock)) break;
      }
    }
    if (Stopped(clock) || reader->needsWhole()) break;
  }
  reader->endStream();
  if (reader->needsWhole()) {
    result->whole = true;
    return Status::OK();
  }
  if (Stopped(clock)) return Status::OK();  // cancelled: what came so far, unchecked
  if (!deflated) {
    const bool whole = !entry.cut && result->produced == stored;
    if (!whole) {
      report(entry.dataEnd, 0, "The data of " + label + " is cut off; what the file holds of it was kept.");
    } else if (!intake.crcMatches(entry)) {
      report(entry.dataOffset, static_cast<int64_t>(stored),
             label + " fails its CRC check: its bytes were kept but may be wrong.");
    }
    return Status::OK();
  }
  if (inflater.ended() && intake.crcMatches(entry)) return Status::OK();
  if (inflater.limitReached()) {
    report(entry.dataOffset, static_cast<int64_t>(stored),
           label + " inflates to more than " + std::to_string(limit >> 20) + " MiB; it was cut there.");
    return Status::OK();
  }
  result->whole = true;  // damaged: TolerantInflate needs the whole input
  return Status::OK();
}

}  // namespace kw
