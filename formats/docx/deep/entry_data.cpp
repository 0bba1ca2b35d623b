// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/entry_data.h"

#include <algorithm>

#include "base/yield_clock.h"
#include "base/zip_codec.h"
#include "formats/docx/zip/raw_inflater.h"

namespace kw {

namespace {

constexpr size_t kMaxRatio = 1032;  // the most that deflate can expand
constexpr size_t kReadChunk = 1 << 20;
// What the clean inflater is given at a time, so that it yields every few
// milliseconds however tightly the stream packs.
constexpr size_t kInflateStep = 16 << 10;

bool CrcMatches(const PackageEntry& entry, std::string_view bytes, YieldClock* clock) {
  if (entry.crcs.empty()) return true;
  uint32_t crc = 0;
  for (size_t at = 0; at < bytes.size(); at += kReadChunk) {
    const size_t n = std::min(kReadChunk, bytes.size() - at);
    crc = Crc32(crc, bytes.data() + at, n);
    if (clock != nullptr) clock->tick();
  }
  return std::find(entry.crcs.begin(), entry.crcs.end(), crc) != entry.crcs.end();
}

// The damaged stretch's length in the inflated output, as the report says it.
std::string LostOutput(int64_t length) {
  if (length == InflateGap::kUnknownLength) return "how many bytes of its output were lost cannot be told.";
  return std::to_string(length) + (length == 1 ? " byte of its output was" : " bytes of its output were") +
         " lost there.";
}

}  // namespace

std::string EntryLabel(const PackageEntry& entry) {
  return entry.name.empty() ? "the entry at offset " + std::to_string(entry.headerOffset) : "\"" + entry.name + "\"";
}

Status ReadEntryData(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
                     DamageReport* damage, EntryData* data) {
  *data = EntryData{};
  const std::string label = EntryLabel(entry);
  auto report = [&](int64_t offset, int64_t length, std::string reason) {
    if (damage != nullptr) damage->add(offset, length, "inflate", std::move(reason));
  };
  const size_t stored = static_cast<size_t>(std::max<int64_t>(0, entry.dataEnd - entry.dataOffset));
  std::string input(std::min(stored, options.absoluteLimit), '\0');
  for (size_t at = 0; at < input.size(); at += kReadChunk) {
    const size_t n = std::min(kReadChunk, input.size() - at);
    const int64_t got =
        file.readAt(entry.dataOffset + 1 + static_cast<int64_t>(at), reinterpret_cast<uint8_t*>(input.data() + at), n);
    if (got < 0) return file.lastError();
    if (static_cast<size_t>(got) < n) {
      input.resize(at + static_cast<size_t>(got));
      break;
    }
  }
  if (entry.method == 0) {
    const bool whole = !entry.cut && input.size() == stored;
    data->complete = whole && CrcMatches(entry, input, clock);
    if (!whole)
      report(entry.dataEnd, 0, "The data of " + label + " is cut off; what the file holds of it was kept.");
    else if (!data->complete)
      report(entry.dataOffset, static_cast<int64_t>(stored),
             label + " fails its CRC check: its bytes were kept but may be wrong.");
    data->pieces.push_back({std::move(input), true, 0, static_cast<int64_t>(stored)});
    return Status::OK();
  }
  const size_t limit = std::min(options.absoluteLimit, std::max<size_t>(1 << 16, input.size() * kMaxRatio));
  // The limit is only reserved: memory in use follows the output.
  RawInflater inflater(limit, limit);
  for (size_t at = 0; at < input.size(); at += kInflateStep) {
    const size_t n = std::min(kInflateStep, input.size() - at);
    if (!inflater.feed(reinterpret_cast<const uint8_t*>(input.data()) + at, n)) break;
    if (clock != nullptr) clock->tick();
    if (clock != nullptr && clock->stopped()) {  // cancelled: what came out so far, unchecked
      data->pieces.push_back({inflater.takeOutput(), true, 0, static_cast<int64_t>(inflater.consumed())});
      return Status::OK();
    }
  }
  const bool ended = inflater.ended();
  const bool limited = inflater.limitReached();
  std::string clean = inflater.takeOutput();
  if (ended && CrcMatches(entry, clean, clock)) {
    data->complete = true;
    data->pieces.push_back({std::move(clean), true, 0, static_cast<int64_t>(inflater.consumed())});
    return Status::OK();
  }
  if (limited) {
    report(entry.dataOffset, static_cast<int64_t>(stored),
           label + " inflates to more than " + std::to_string(limit >> 20) + " MiB; it was cut there.");
    data->pieces.push_back({std::move(clean), true, 0, static_cast<int64_t>(inflater.consumed())});
    return Status::OK();
  }
  if (ended && !options.textual) {
    report(entry.dataOffset, static_cast<int64_t>(stored),
           label + " fails its CRC check: its bytes were kept but may be wrong.");
    data->pieces.push_back({std::move(clean), true, 0, static_cast<int64_t>(inflater.consumed())});
    return Status::OK();
  }
  if (options.textual && options.repairs != nullptr && options.repairs->spent()) {
    // The package's repairs are spent: the clean output is kept up to the damage.
    if (!ended) clean.resize(TextPrefix(clean));
    ++options.repairs->skipped;
    report(entry.dataOffset + static_cast<int64_t>(inflater.consumed()), 0,
           ended ? label + " fails its CRC check: its text was kept but may hold wrong characters."
                 : "The compressed data of " + label +
                       " is damaged here: the output before it was kept; nothing after it could be decoded.");
    data->pieces.push_back({std::move(clean), true, 0, static_cast<int64_t>(inflater.consumed())});
    return Status::OK();
  }
  TolerantInflateOptions tolerant;
  tolerant.outputLimit = limit;
  tolerant.textual = options.textual;
  tolerant.resync = options.textual;
  tolerant.budget = options.repairs;
  InflateOutcome outcome = TolerantInflate(input, tolerant, clock);
  if (!options.textual && clean.size() > (outcome.pieces.empty() ? 0 : outcome.pieces[0].bytes.size())) {
    // For binary data the clean inflater's output before the break is as good, and never shorter.
    outcome.pieces.clear();
    outcome.pieces.push_back({std::move(clean), true, 0, 0});
  }
  for (const InflateGap& gap : outcome.gaps) {
    const bool resumed = gap.inputEnd < static_cast<int64_t>(input.size());
    report(entry.dataOffset + gap.inputBegin, gap.inputEnd - gap.inputBegin,
           "The compressed data of " + label + " is damaged here: the output before it was kept" +
               (resumed ? ", and decoding resumed after it; " : "; nothing after it could be decoded; ") +
               LostOutput(gap.outputLength));
  }
  if (outcome.inputEnded || (entry.cut && !outcome.ended)) {
    report(entry.dataOffset + static_cast<int64_t>(input.size()), 0,
           "The compressed data of " + label + " stops before its end (the file is cut short or a size is damaged); " +
               "the output up to there was kept.");
  }
  if (outcome.ended && outcome.gaps.empty() && outcome.pieces.size() <= 1) {
    report(entry.dataOffset, static_cast<int64_t>(stored),
           label + " fails its CRC check: its text was kept but may hold wrong characters.");
  }
  data->pieces = std::move(outcome.pieces);
  return Status::OK();
}

}  // namespace kw
