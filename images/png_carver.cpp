#include "images/png_carver.h"

#include "engine/source_file.h"
#include "engine/yield_clock.h"
#include "images/byte_search.h"
#include "images/carver_scan.h"
#include "images/file_searcher.h"
#include "images/image_table.h"

namespace kw {

Status RecoverPNG(RecoveryJobState& job, JobHost& host, int64_t* unlisted) {
  YieldClock clock(host);
  clock.now();
  const std::string startMarker = MarkerBytes({"&H89", "&H50", "&H4E"});
  const std::string endMarker = MarkerBytes({"&H49", "&H45", "&H4E", "&H44", "&HAE", "&H42", "&H60", "&H82"});
  clock.now();
  SourceFile file;
  const Status opened = BeginCarverScan(job, host, &file);
  if (!opened.ok()) return opened;
  clock.now();
  job.vPngStart = 0;
  job.lPngEnd = 0;
  const int32_t length = static_cast<int32_t>(file.size());
  // The two sequences are searched apart, each with its own window, so
  // neither makes the other read again.
  FileSearcher starts(file);
  FileSearcher ends(file);
  PendingPairs pending;

  for (int64_t pass = 1;; ++pass) {
    clock.tick();
    const int64_t startFrom = pass == 1 ? 1 : static_cast<int64_t>(job.vPngStart) + 3;
    const int64_t endFrom = pass == 1 ? 1 : static_cast<int64_t>(job.lPngEnd) + 8;
    job.vPngStart = starts.find(startMarker, startFrom, nullptr, &clock);
    job.lPngEnd = job.vPngStart == -1 ? -1 : ends.find(endMarker, endFrom, nullptr, &clock);
    if (job.vPngStart == -1 || job.lPngEnd == -1) {
      if (!starts.failed() && !ends.failed()) host.setProgressValue(length);
      break;
    }
    pending.add(job.vPngStart - 1, job.lPngEnd + 6);
    host.setProgressValue(job.vPngStart);
    clock.tick();
    if (job.lPngEnd >= length) break;
  }

  clock.now();
  const int64_t notListed = ListPictures(job, host, pending, "Grid", "png");
  if (unlisted != nullptr) *unlisted += notListed;
  clock.now();
  if (starts.failed() || ends.failed()) return file.lastError();
  return Status::OK();
}

}  // namespace kw
