// SPDX-License-Identifier: Apache-2.0
#pragma once
// JobContext: what an engine gets from the job that runs it, and where its
// findings go.
//
// An engine reads the source at `path`, reports progress and learns of a
// cancel request through `progress` (by way of YieldClock), and adds what it
// finds: text into the job state's text, or piece by piece into
// `textSink` when one is given; pictures as records; notices (something the
// user must be told although nothing failed); damage into `damage` when one
// is given; what it found the source to be in `format`, where it can tell.
// It knows nothing of the front end that shows them.

#include <string>
#include <vector>

#include "base/job_progress.h"
#include "base/picture_record.h"
#include "base/source_format.h"

namespace kw {

class DamageReport;
class TextSink;

struct JobContext {
  JobContext(std::string sourcePath, JobProgress& jobProgress) : path(std::move(sourcePath)), progress(jobProgress) {}

  std::string path;  // UTF-8 or the file system's own bytes
  JobProgress& progress;
  TextSink* textSink = nullptr;
  DamageReport* damage = nullptr;
  std::vector<PictureRecord> pictures;
  std::vector<std::string> notices;
  SourceFormat format = SourceFormat::kOther;
};

}  // namespace kw
