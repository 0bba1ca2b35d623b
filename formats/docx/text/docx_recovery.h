// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocxRecovery: the .docx engine. Finds the main document's entry by its name
// "word/document" in the raw package (no directory is read, so a package
// whose end is cut off still gives its text), reads the local entry whose
// header lies 30 bytes before the name, and sets job.sRecoveredText to its
// text. Progress goes 0, 25, 50, 100 on a 0..100 bar.
//
// The status is not OK only when the source cannot be read at all (missing,
// not a regular file, 2 GiB or larger). A damaged package is no error: the
// text is then left as it was, which at the start of a job is empty. The
// job controller completes the job (CmdOK_Click) after it returns.

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

// Once named RecoverDocX.
Status DocxRecovery(RecoveryJobState& job, JobContext& context);

}  // namespace kw
