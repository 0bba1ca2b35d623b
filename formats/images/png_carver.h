// SPDX-License-Identifier: Apache-2.0
#pragma once
// CarvePngs: the second scan of Image Recovery, which finds PNG pictures by
// the start marker 89 50 4E and the end marker 49 45 4E 44 AE 42 60 82 (the
// IEND chunk's type and checksum) and lists them.
//
// Start and end markers are found as two separate sequences, each search
// going on from its own previous result (the next start from 4 bytes after
// the previous start's 0x89, the next end from the byte after the previous
// end marker): the k-th start is paired with the k-th end, whatever lies
// between them, so an entry may end before it begins. The scan values live
// in job.vPngStart (one more than the start marker's position) and
// job.lPngEnd (the position of the end marker's second byte). The entries
// (Grid0, Grid1, ... "png") are listed when the scan ends.

#include <cstdint>

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

// As CarveJpegs (jpeg_carver.h).
// Once named RecoverPNG.
Status CarvePngs(RecoveryJobState& job, JobContext& context, int64_t* unlisted = nullptr);

}  // namespace kw
