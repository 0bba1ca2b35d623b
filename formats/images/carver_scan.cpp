#include "formats/images/carver_scan.h"

namespace kw {

Status BeginCarverScan(RecoveryJobState& job, JobHost& host, SourceFile* file) {
  const Status status = SourceFile::Open(host.sourcePath(), file);
  if (!status.ok()) return status;
  if (job.sourceIdentity.known && !(job.sourceIdentity == file->identity())) {
    file->close();
    return CannotRead(host.sourcePath(), "it was replaced by another file during the scan");
  }
  job.sourceIdentity = file->identity();
  job.iFileNo = 1;
  job.iStartPos = 1;
  job.lCurPos = 1;
  host.setProgressMin(0);
  host.setProgressMax(static_cast<int32_t>(file->size()));
  return Status::OK();
}

}  // namespace kw
