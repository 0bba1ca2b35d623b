// SPDX-License-Identifier: Apache-2.0
#pragma once
// DeepRecovery: the Deep Recovery job. Reads a document through its own
// structure: a .docx package whole (every entry, damaged data inflated as
// far as it goes, every picture), a Word 97-2003, 6.0/95 or 2.0 file through
// its compound file and piece table, and any other file by a scan for text.
//
// Which reader goes first is decided by the file's first bytes (a compound
// file's signature, a ZIP signature), not its name; a file that is neither is
// tried as a package first, then scanned. Embedded documents are read by
// the reader of their kind, their text after the document's
// (embedded_documents.h). The text goes to the job state
// (or the text sink), the pictures to the context's records, and every
// place the readers skipped, repaired or cut to the damage report.

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

// Not OK only when the source cannot be read.
Status DeepRecovery(RecoveryJobState& job, JobContext& context);

}  // namespace kw
