// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_engines/step_scan.h"

#include <cstring>

#include "base/find_byte.h"

namespace kw {

namespace {
constexpr uint8_t kEightEscapes[8] = {kEscapeByte, kEscapeByte, kEscapeByte, kEscapeByte,
                                      kEscapeByte, kEscapeByte, kEscapeByte, kEscapeByte};
}  // namespace

PassEnd CountSteps(SourceFile& file, int64_t startPos, YieldClock& clock, Status* status) {
  PassEnd end;
  ChunkReader reader(file, startPos);
  int64_t steps = 0;
  bool awaitingNext = false;  // the last chunk ended on a 0x25 whose read-ahead is pending
  while (reader.next()) {
    const uint8_t* p = reader.data();
    const uint8_t* const stop = p + reader.size();
    if (awaitingNext) {
      awaitingNext = false;
      end.lastNext = *p;
      if (*p++ == kEndMarkerByte) {
        end.endMarker = true;
        break;
      }
      ++steps;
    }
    while (p < stop) {
      // A run of escaped escapes ("%%" pairs) goes eight bytes, four steps,
      // at a time rather than one search per pair.
      if (stop - p >= 8 && std::memcmp(p, kEightEscapes, 8) == 0) {
        steps += 4;
        end.lastByte = kEscapeByte;
        end.lastNext = kEscapeByte;
        p += 8;
        continue;
      }
      const uint8_t* hit = FindByte(p, static_cast<size_t>(stop - p), kEscapeByte);
      if (hit == nullptr) {
        steps += stop - p;
        end.lastByte = stop[-1];
        end.lastNext = -1;
        p = stop;
        break;
      }
      steps += hit - p;
      end.lastByte = kEscapeByte;
      if (hit + 1 == stop) {
        awaitingNext = true;
        end.lastNext = -1;
        p = stop;
        break;
      }
      end.lastNext = hit[1];
      if (hit[1] == kEndMarkerByte) {
        end.endMarker = true;
        break;
      }
      ++steps;
      p = hit + 2;
    }
    if (end.endMarker) break;
    clock.tick();
    if (clock.stopped()) break;
  }
  if (status != nullptr) *status = reader.status();
  end.steps = static_cast<int32_t>(steps);
  return end;
}

void RecordLastStep(const PassEnd& end, bool hitEndOfFile, RecoveryJobState& job) {
  if (hitEndOfFile) {
    job.sCurChar.clear();
  } else {
    const int last = end.lastNext >= 0 ? end.lastNext : end.lastByte;
    job.sCurChar = last < 0 ? std::string() : std::string(1, static_cast<char>(last));
  }
}

}  // namespace kw
