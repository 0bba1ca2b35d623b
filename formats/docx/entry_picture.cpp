// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/entry_picture.h"

#include <algorithm>
#include <vector>

#include "base/yield_clock.h"
#include "formats/docx/raw_inflater.h"

namespace kw {

namespace {

constexpr size_t kMaxRatio = 1032;  // the most that deflate can expand, as ReadEntryData takes it
constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kInflateStep = 16 << 10;

struct Streamed {
  size_t produced = 0;
  bool whole = false;  // stored: every byte; deflated: the final block was read
  bool limited = false;
  size_t limit = 0;
  uint32_t crc = 0;
};

// The entry's bytes as ReadEntryData reads or cleanly inflates them, handed
// to `out` a piece at a time; false from `out` stops it. An I/O error only
// when the file cannot be read.
Status Stream(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
              const std::function<bool(std::string_view)>& out, Streamed* result) {
  const size_t stored = static_cast<size_t>(std::max<int64_t>(0, entry.dataEnd - entry.dataOffset));
  const size_t input = std::min(stored, options.absoluteLimit);
  const size_t limit = std::min(options.absoluteLimit, std::max<size_t>(1 << 16, input * kMaxRatio));
  result->limit = limit;
  bool going = true;
  const auto put = [&](std::string_view piece) {
    if (!going) return;
    result->crc = Crc32(result->crc, piece.data(), piece.size());
    result->produced += piece.size();
    going = out(piece);
  };
  RawInflater inflater(limit);
  inflater.setSink(put);
  std::vector<uint8_t> buffer(std::min(kReadChunk, std::max<size_t>(input, 1)));
  size_t read = 0;
  bool feeding = true;
  while (going && feeding && read < input) {
    const size_t n = std::min(kReadChunk, input - read);
    const int64_t got = file.readAt(entry.dataOffset + 1 + static_cast<int64_t>(read), buffer.data(), n);
    if (got < 0) return file.lastError();
    if (got == 0) break;
    read += static_cast<size_t>(got);
    if (entry.method == 0) {
      put({reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(got)});
    } else {
      for (size_t at = 0; going && feeding && at < static_cast<size_t>(got); at += kInflateStep) {
        feeding = inflater.feed(buffer.data() + at, std::min(kInflateStep, static_cast<size_t>(got) - at));
        if (clock != nullptr) clock->tick();
      }
    }
    if (clock != nullptr && clock->stopped()) break;
  }
  result->whole = entry.method == 0 ? !entry.cut && read == stored : inflater.ended();
  result->limited = entry.method != 0 && inflater.limitReached();
  return Status::OK();
}

bool CrcMatches(const PackageEntry& entry, uint32_t crc) {
  return entry.crcs.empty() ||
         std::find(entry.crcs.begin(), entry.crcs.end(), static_cast<uint32_t>(crc)) != entry.crcs.end();
}

}  // namespace

Status ProbeEntry(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
                  EntryProbe* probe) {
  *probe = EntryProbe{};
  Streamed streamed;
  const auto keepHead = [probe](std::string_view piece) {
    if (probe->head.size() < kEntryHead) probe->head.append(piece.substr(0, kEntryHead - probe->head.size()));
    return true;
  };
  Status status = Stream(file, entry, options, clock, keepHead, &streamed);
  if (!status.ok()) return status;
  probe->whole = streamed.whole;
  probe->limit = streamed.limit;
  probe->complete = streamed.whole && CrcMatches(entry, streamed.crc);
  // Stored data, and deflated data that inflated to its end or to the
  // limit, is what ReadEntryData keeps of a picture, and can be streamed again.
  probe->streamed = entry.method == 0 || streamed.whole || streamed.limited;
  if (probe->streamed || (clock != nullptr && clock->stopped())) {
    probe->produced = streamed.produced;
    return Status::OK();
  }
  // Damaged: where its first piece stops is ReadEntryData's to say.
  EntryData data;
  status = ReadEntryData(file, entry, options, clock, nullptr, &data);
  if (!status.ok()) return status;
  probe->head.clear();
  if (!data.pieces.empty()) {
    probe->produced = data.pieces[0].bytes.size();
    probe->head = data.pieces[0].bytes.substr(0, kEntryHead);
  }
  return Status::OK();
}

Status ReportEntryDamage(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options,
                         const EntryProbe& probe, YieldClock* clock, DamageReport* damage) {
  if (probe.complete || damage == nullptr) return Status::OK();
  if (!probe.streamed) {
    EntryData data;
    return ReadEntryData(file, entry, options, clock, damage, &data);
  }
  const std::string label = EntryLabel(entry);
  const int64_t stored = std::max<int64_t>(0, entry.dataEnd - entry.dataOffset);
  if (entry.method == 0 && !probe.whole) {
    damage->add(entry.dataEnd, 0, "inflate",
                "The data of " + label + " is cut off; what the file holds of it was kept.");
  } else if (entry.method != 0 && !probe.whole) {
    damage->add(entry.dataOffset, stored, "inflate",
                label + " inflates to more than " + std::to_string(probe.limit >> 20) + " MiB; it was cut there.");
  } else {
    damage->add(entry.dataOffset, stored, "inflate",
                label + " fails its CRC check: its bytes were kept but may be wrong.");
  }
  return Status::OK();
}

Status EntryPictureMaker::make(SourceFile& source, const std::function<Status(std::string_view)>& out,
                               YieldClock* clock) const {
  Status written;
  if (!streamed_) {
    EntryData data;
    Status status = ReadEntryData(source, entry_, options_, clock, nullptr, &data);
    if (!status.ok()) return status;
    if (data.pieces.empty()) return Status::OK();
    return out(std::string_view(data.pieces[0].bytes).substr(0, size_));
  }
  size_t left = size_;
  const auto write = [&](std::string_view piece) {
    piece = piece.substr(0, left);
    left -= piece.size();
    if (!piece.empty()) written = out(piece);
    return written.ok() && left > 0;
  };
  Streamed streamed;
  const Status status = Stream(source, entry_, options_, clock, write, &streamed);
  return status.ok() ? written : status;
}

}  // namespace kw
