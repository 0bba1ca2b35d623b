#pragma once
// RecoverEntryText: the main document entry's bytes become the job's text.
//
// The bytes are first kept, exactly, in a new working file in the user's
// temporary folder whose name begins with "sqx"; the file is left there after
// the job. The text is made in memory from the same bytes and replaces
// job.sRecoveredText also when no working file could be made or written:
// the text must reach the user either way.

#include <string>
#include <string_view>

#include "engine/job_state.h"

namespace kw {

class YieldClock;

// Returns the working file's path, empty when none could be made.
std::string RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock = nullptr);

}  // namespace kw
