#include "images/image_recovery.h"

namespace kw {

Status ImageRecoveryMode(RecoveryJobState&, JobHost&) {
  return Status::Invalid("Image Recovery is not available in this build yet.");
}

}  // namespace kw
