// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/quick_recovery.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/cp1252.h"
#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/step_scan.h"
#include "formats/doc/text_reserve.h"

namespace kw {

namespace {

// What one step's first byte appends (0x25 is handled apart).
const std::array<Utf8Char, 256>& QuickTable() {
  static const std::array<Utf8Char, 256> table = [] {
    std::array<Utf8Char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = Cp1252Char(static_cast<uint8_t>(b));
    t[0x0D] = Utf8Char{{'\r', '\n', 0, 0}, 2};
    t[0x0B] = Utf8Char{{'\r', '\n', 0, 0}, 2};
    t[0x00] = Utf8Char{{0, 0, 0, 0}, 0};
    return t;
  }();
  return table;
}

// True when all eight bytes of `w` are copied as they are: 0x01 to 0x7F,
// except 0x0B, 0x0D and 0x25.
constexpr uint64_t kOnes = 0x0101010101010101ULL;

inline bool AllPlain(uint64_t w) {
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  const auto hasZero = [](uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  return ((w & kHigh) | hasZero(w) | hasZero(w ^ (kOnes * 0x0B)) | hasZero(w ^ (kOnes * 0x0D)) |
          hasZero(w ^ (kOnes * 0x25))) == 0;
}

// The extraction pass. Appends to job.sRecoveredText and moves the progress
// bar (never past `maximum`, also when the file grew since the count).
Status Extract(SourceFile& file, int32_t maximum, RecoveryJobState& job, JobContext& context, YieldClock& clock) {
  const auto& table = QuickTable();
  ChunkReader reader(file, job.lCurPos);
  std::vector<char> out(ChunkReader::kChunkSize * 3 + 8);
  int64_t steps = 0;
  PassEnd end;
  bool awaitingNext = false;
  while (!end.endMarker && reader.next()) {
    const uint8_t* p = reader.data();
    const uint8_t* const stop = p + reader.size();
    char* o = out.data();
    if (awaitingNext) {
      awaitingNext = false;
      end.lastNext = *p;
      if (*p++ == kEndMarkerByte) {
        end.endMarker = true;
      } else {
        ++steps;  // the 0x25 pair appends nothing
      }
    }
    while (!end.endMarker && p < stop) {
      // Runs of plain text go eight bytes at a time, the rest byte by byte.
      uint64_t word;
      if (stop - p >= 8 && (std::memcpy(&word, p, 8), AllPlain(word))) {
        std::memcpy(o, p, 8);
        o += 8;
        p += 8;
        steps += 8;
        continue;
      }
      // Zero bytes and "%%" pairs append nothing: eight bytes at a time too.
      if (stop - p >= 8 && (word == 0 || word == kOnes * kEscapeByte)) {
        steps += word == 0 ? 8 : 4;
        p += 8;
        continue;
      }
      const uint8_t* const slowEnd = std::min(stop, p + 8);
      while (p < slowEnd) {
        const uint8_t b = *p;
        if (b == kEscapeByte) {
          end.lastByte = b;
          if (p + 1 == stop) {
            awaitingNext = true;
            end.lastNext = -1;
            p = stop;
            break;
          }
          end.lastNext = p[1];
          if (p[1] == kEndMarkerByte) {
            end.endMarker = true;
            break;
          }
          ++steps;
          p += 2;
          continue;
        }
        const Utf8Char& c = table[b];
        std::memcpy(o, c.bytes, 4);
        o += c.length;
        ++steps;
        ++p;
      }
      if (end.endMarker) break;
    }
    if (reader.size() > 0 && !awaitingNext && !end.endMarker) {
      end.lastByte = stop[-1];
      end.lastNext = -1;
    }
    job.sRecoveredText.append(out.data(), static_cast<size_t>(o - out.data()));
    if (TextSink* sink = context.textSink) {
      sink->write(job.sRecoveredText);
      job.sRecoveredText.clear();
    }
    clock.tick([&] { context.progress.setProgressValue(static_cast<int32_t>(std::min<int64_t>(steps, maximum))); });
    if (clock.stopped()) break;  // cancelled: the text so far stands
  }
  end.steps = static_cast<int32_t>(steps);
  job.lCurPos = static_cast<int32_t>(job.iStartPos + steps);
  RecordLastStep(end, !end.endMarker, job);
  context.progress.setProgressValue(static_cast<int32_t>(std::min<int64_t>(steps, maximum)));
  return reader.status();
}

}  // namespace

Status QuickRecovery(RecoveryJobState& job, JobContext& context) {
  YieldClock clock(context.progress);
  clock.now();
  const std::string path = context.path;
  SourceFile file;
  Status status = SourceFile::Open(path, &file);
  if (!status.ok()) return status;
  job.iStartPos = kQuickStartPos;
  job.lCurPos = kQuickStartPos;

  // Counting pass: the number of steps sets the bar's maximum.
  const PassEnd count = CountSteps(file, job.iStartPos, clock, &status);
  job.lCurPos = job.iStartPos + count.steps;
  RecordLastStep(count, !count.endMarker, job);
  file.close();
  if (!status.ok() || clock.stopped()) return status;
  const int32_t n = count.steps;
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(n);

  job.sRecoveredText = "\r\n";
  // Each step appends at most three bytes (one character as UTF-8).
  if (context.textSink == nullptr) ReserveText(job.sRecoveredText, 2 + 3 * static_cast<size_t>(n));
  job.sCurChar.clear();
  job.lCurPos = job.iStartPos;
  status = SourceFile::Open(path, &file);
  if (!status.ok()) return status;
  status = Extract(file, n, job, context, clock);
  file.close();
  if (TextSink* sink = context.textSink) {
    sink->write(job.sRecoveredText);
    job.sRecoveredText.clear();
  }
  return status;
}

}  // namespace kw
