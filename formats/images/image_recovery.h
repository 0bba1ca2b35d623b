// SPDX-License-Identifier: Apache-2.0
#pragma once
// ImageRecovery: the Image Recovery job. Runs the JPEG scan, then the PNG
// scan, each listing its pictures when it ends (JPEG pictures first).
//
// When more pictures are found than the list can hold (32767), the rest are
// not listed and the user is told once, through a notice. A cancelled job
// lists what its scans had found when they stopped.

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

// Not OK when the source cannot be read: the message names the file and the
// reason; nothing is listed (or, after a read failure half-way, what was
// found before it).
// Once named ImageRecoveryMode.
Status ImageRecovery(RecoveryJobState& job, JobContext& context);

// The notice given when `unlisted` pictures could not be listed.
std::string TooManyPicturesNotice(int64_t unlisted);

}  // namespace kw
