// SPDX-License-Identifier: Apache-2.0
#pragma once
// Salvage Recovery: digs 7-bit text out of a heavily damaged Word 97-2003
// file without relying on any offset inside it.
//
// The first space or paragraph mark in the file is the anchor; the text
// starts at the nearest zero byte at or before it (CheckByte), or at the
// first byte. From there, characters below 128 are kept, paragraph marks
// become a blank line, line breaks one "\r\n", and the pass stops at the end
// marker 0x25 0xB0, at the end of the file, when exactly 200 steps were
// dropped since a paragraph mark with the counter past 2550, or when the
// counter passes 20000. A file with no anchor gives "\r\n".

#include <string>
#include <string_view>

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/source_file.h"
#include "base/status.h"
#include "base/yield_clock.h"

namespace kw {

constexpr int32_t kSalvageStopRun = 200;
constexpr int32_t kSalvageStopFloor = 2550;
constexpr int32_t kSalvagePositionCap = 20000;

// Once named SalvageRecoveryMode.
Status SalvageRecovery(RecoveryJobState& job, JobContext& context);

// The backward walk from the 1-based position sByte to the nearest zero byte
// at or before it: sets job.lTextStart to that position (1 when there is
// none) and leaves sByte where the walk stopped (0 when it ran off the start).
// Reads backwards in blocks, so its reach is not bounded by anything but the
// file.
Status CheckByte(int32_t& sByte, SourceFile& file, RecoveryJobState& job, YieldClock& clock);

// The characters of `text` (Windows-1252 bytes) whose code is below 128.
std::string StripNonAscii(std::string_view text);

}  // namespace kw
