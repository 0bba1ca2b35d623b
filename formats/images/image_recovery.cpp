// SPDX-License-Identifier: Apache-2.0
#include "formats/images/image_recovery.h"

#include "base/yield_clock.h"
#include "formats/images/image_table.h"
#include "formats/images/jpeg_carver.h"
#include "formats/images/png_carver.h"

namespace kw {

std::string TooManyPicturesNotice(int64_t unlisted) {
  return "More pictures were found than the list can hold: the first " + std::to_string(kMaxImageEntries) +
         " are listed, " + std::to_string(unlisted) + " more are not.";
}

Status ImageRecovery(RecoveryJobState& job, JobContext& context) {
  YieldClock clock(context.progress);
  job.sourceIdentity = FileIdentity();  // recorded by the first scan
  context.progress.setProgressMin(0);
  context.progress.setProgressValue(0);
  clock.now();
  int64_t unlisted = 0;
  Status status = CarveJpegs(job, context, &unlisted);
  clock.now();
  const Status png = CarvePngs(job, context, &unlisted);
  if (status.ok()) status = png;
  if (unlisted > 0) context.notices.push_back(TooManyPicturesNotice(unlisted));
  return status;
}

}  // namespace kw
