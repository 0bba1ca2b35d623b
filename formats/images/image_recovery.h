#pragma once
// ImageRecovery: the Image Recovery job. Runs the JPEG scan, then the PNG
// scan, each listing its pictures when it ends (JPEG entries first, numbered
// on over the whole job), then makes step 4 of the wizard available and step
// 3 unavailable. The job controller completes the job (CmdOK_Click).
//
// When more pictures are found than the list can hold (32767), the rest are
// not listed and the user is told once, through WizardView::showNotice.

#include "base/job_host.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

// Not OK when the source cannot be read: the message names the file and the
// reason; nothing is listed (or, after a read failure half-way, what was
// found before it).
// Once named ImageRecoveryMode.
Status ImageRecovery(RecoveryJobState& job, JobHost& host);

// The notice given when `unlisted` pictures could not be listed.
std::string TooManyPicturesNotice(int64_t unlisted);

}  // namespace kw
