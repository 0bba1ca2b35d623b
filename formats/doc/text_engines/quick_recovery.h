// SPDX-License-Identifier: Apache-2.0
#pragma once
// Quick Recovery of a Word 97-2003 file.
//
// Takes the running text to start at file offset 0xA00 (position 2561) and
// to end at the first 0x25 0xB0 pair or at the end of the file. Paragraph
// marks (0x0D) and line breaks (0x0B) become "\r\n", 0x00 bytes and steps led
// by 0x25 are dropped, every other byte becomes its Windows-1252 character.
// The result, in job.sRecoveredText, always begins with "\r\n" once the file
// could be read; a file that cannot be read leaves the text as it was and
// the status says why.

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

constexpr int16_t kQuickStartPos = 2561;

// Once named ReadDOC_and_Repair.
Status QuickRecovery(RecoveryJobState& job, JobContext& context);

}  // namespace kw
