#include "docx/docx_recovery.h"

namespace kw {

Status RecoverDocX(RecoveryJobState&, JobHost&) {
  return Status::Invalid(".docx recovery is not available in this build yet.");
}

}  // namespace kw
