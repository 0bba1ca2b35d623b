#pragma once
// .docx recovery: the text of the package's main document entry.

#include "engine/job_host.h"
#include "engine/job_state.h"
#include "engine/status.h"

namespace kw {

Status RecoverDocX(RecoveryJobState& job, JobHost& host);

}  // namespace kw
