// SPDX-License-Identifier: Apache-2.0
#pragma once
// RecoverEntryText: the main document entry's bytes become the job's text.
//
// The bytes are kept, exactly, in a new working file in the user's temporary
// folder whose name begins with "sqx" while the text is made; the file is
// removed before this returns (also on an error, and on a signal through
// RemovePendingOutputs()). The text is made in memory from the same bytes and
// replaces job.sRecoveredText also when no working file could be made or
// written: the text must reach the user either way.

#include <string>
#include <string_view>

#include "base/job_state.h"

namespace kw {

class YieldClock;

// Returns whether the working file could be made and written.
bool RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock = nullptr);

}  // namespace kw
