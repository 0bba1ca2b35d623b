#pragma once
// The start that both carvers' scans share.

#include "base/job_host.h"
#include "base/job_state.h"
#include "base/source_file.h"
#include "base/status.h"

namespace kw {

// Opens the source (the path read from the wizard now) into *file, sets
// iFileNo, iStartPos = 1 and lCurPos = 1, and the progress bar's minimum 0
// and maximum the file's length, and records which file it is in
// job.sourceIdentity (a second scan of the same job that finds another file
// there is refused). A source that cannot be opened changes nothing and gives
// the reason.
Status BeginCarverScan(RecoveryJobState& job, JobHost& host, SourceFile* file);

}  // namespace kw
