// SPDX-License-Identifier: Apache-2.0
#pragma once
// The start that both carvers' scans share.

#include <string_view>

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/source_file.h"
#include "base/status.h"

namespace kw {

// Opens the source (the path read from the wizard now) into *file, sets
// iStartPos = 1 and lCurPos = 1, and the progress bar's minimum 0
// and maximum the file's length, and records which file it is in
// job.sourceIdentity (a second scan of the same job that finds another file
// there is refused). A source that cannot be opened changes nothing and gives
// the reason.
Status BeginCarverScan(RecoveryJobState& job, JobContext& context, SourceFile* file);

// Reports a picture whose start marker (at the 1-based `start`) has no end
// marker after it, so that it is not listed; `length` is the file's.
void ReportNoEnd(JobContext& context, int64_t start, int64_t length, std::string_view reader, std::string_view kind);

}  // namespace kw
