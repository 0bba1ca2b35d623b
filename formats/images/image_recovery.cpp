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

Status ImageRecovery(RecoveryJobState& job, JobHost& host) {
  YieldClock clock(host);
  job.sourceIdentity = FileIdentity();  // recorded by the first scan
  host.setProgressMin(0);
  host.setProgressValue(0);
  clock.now();
  int64_t unlisted = 0;
  Status status = CarveJpegs(job, host, &unlisted);
  clock.now();
  const Status png = CarvePngs(job, host, &unlisted);
  if (status.ok()) status = png;
  host.setStepAvailable(4, true);
  host.setStepAvailable(3, false);
  if (unlisted > 0) host.showNotice(TooManyPicturesNotice(unlisted));
  return status;
}

}  // namespace kw
