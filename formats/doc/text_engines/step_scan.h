// SPDX-License-Identifier: Apache-2.0
#pragma once
// The stepping rule of the Word 97-2003 text engines.
//
// A step reads one byte; when that byte is 0x25 it also reads the next byte
// (the read-ahead). The pair 0x25 0xB0 is the end marker. The end of the file
// ends a pass, also when it comes at the read-ahead. A pass counts one step
// for every step it completes; the step that meets the end marker or the end
// of the file is not counted.

#include <cstdint>

#include "base/chunk_reader.h"
#include "base/job_state.h"
#include "base/yield_clock.h"

namespace kw {

constexpr uint8_t kEscapeByte = 0x25;
constexpr uint8_t kEndMarkerByte = 0xB0;

// How a pass ended and the last step it read, for the job state's sCurChar.
struct PassEnd {
  int32_t steps = 0;       // steps completed
  bool endMarker = false;  // ended at 0x25 0xB0 (else at the end of the file)
  int lastByte = -1;       // first byte of the last step read, -1 if none
  int lastNext = -1;       // its read-ahead byte, -1 if none
};

// The counting pass: counts the steps from the 1-based position `startPos` to
// the end marker or the end of the file. Yields through `clock`. A read error
// ends the pass and is reported in *status.
PassEnd CountSteps(SourceFile& file, int64_t startPos, YieldClock& clock, Status* status);

// Stores the last step of a pass in the job state, as a byte-wise reader would
// have left it: sCurChar the last byte read (empty after the end of the file).
void RecordLastStep(const PassEnd& end, bool hitEndOfFile, RecoveryJobState& job);

// Reads a file step by step from a position, for passes that look at each
// step (Salvage Recovery's extraction).
class StepCursor {
 public:
  StepCursor(SourceFile& file, int64_t pos) : reader_(file, pos, 64 * 1024) {}

  // Reads one step. False when the end of the file (or a read error) ends
  // the pass, also at the read-ahead; `next` is -1 when no read-ahead was made.
  bool read(uint8_t& first, int& next) {
    int b = readByte();
    if (b < 0) return false;
    first = static_cast<uint8_t>(b);
    next = -1;
    if (first == kEscapeByte) {
      next = readByte();
      if (next < 0) return false;
    }
    return true;
  }
  const Status& status() const { return reader_.status(); }

 private:
  int readByte() {
    if (at_ == reader_.size()) {
      if (!reader_.next()) return -1;
      at_ = 0;
    }
    return reader_.data()[at_++];
  }

  ChunkReader reader_;
  size_t at_ = 0;
};

}  // namespace kw
