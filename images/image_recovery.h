#pragma once
// Image Recovery: carves JPEG and PNG pictures out of any file.

#include "engine/job_host.h"
#include "engine/job_state.h"
#include "engine/status.h"

namespace kw {

Status ImageRecoveryMode(RecoveryJobState& job, JobHost& host);

}  // namespace kw
