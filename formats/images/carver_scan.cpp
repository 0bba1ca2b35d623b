// SPDX-License-Identifier: Apache-2.0
#include "formats/images/carver_scan.h"

#include "base/damage_report.h"

namespace kw {

Status BeginCarverScan(RecoveryJobState& job, JobContext& context, SourceFile* file) {
  const Status status = SourceFile::Open(context.path, file);
  if (!status.ok()) return status;
  if (job.sourceIdentity.known && !(job.sourceIdentity == file->identity())) {
    file->close();
    return CannotRead(context.path, "it was replaced by another file during the scan");
  }
  job.sourceIdentity = file->identity();
  job.iStartPos = 1;
  job.lCurPos = 1;
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(static_cast<int32_t>(file->size()));
  return Status::OK();
}

void ReportNoEnd(JobContext& context, int64_t start, int64_t length, std::string_view reader, std::string_view kind) {
  if (DamageReport* damage = context.damage) {
    damage->add(start - 1, length - (start - 1), reader,
                "A " + std::string(kind) + " picture starts here but no end marker follows: it was not listed.");
  }
}

}  // namespace kw
