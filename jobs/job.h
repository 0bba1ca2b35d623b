// SPDX-License-Identifier: Apache-2.0
#pragma once
// RunJob: one recovery job, from a source path and a mode to its result.
//
// The one way the fronts (the wizard, kwrecover, the benchmarks) run the
// engines. The engine is chosen by the mode and the ".docx" test on the
// path; the job runs to its end on the calling thread, reporting progress
// and reading cancel requests through `progress`, and returns everything it
// found: the text, the pictures as records, notices, the damage its readers
// reported, what the source turned out to be, and whether it was cancelled. It shows nothing and knows no
// front end: step numbers, captions and the picture list's row text are the
// fronts' own. Running out of memory ends the job with an error status; no
// exception leaves it. Jobs that run at the same time in one process (a
// batch's workers) start only while their working memory fits one budget
// together (job_memory.h): the others wait, and a cancel request ends the wait.

#include <string>
#include <string_view>
#include <vector>

#include "base/damage_report.h"
#include "base/job_progress.h"
#include "base/output_file.h"
#include "base/picture_record.h"
#include "base/source_format.h"
#include "base/status.h"

namespace kw {

class TextSink;

enum class JobMode { kQuick, kSalvage, kImages, kDeep };

enum class EngineKind { kQuick, kSalvage, kImages, kDocx, kDeep };

// True when the path contains ".docx" anywhere (case-sensitive): "a.docx.doc"
// and "x.docx/y.doc" count, "REPORT.DOCX" does not.
bool ContainsDocx(std::string_view path);

// Salvage: .docx recovery for a ".docx" path, else Salvage Recovery; Images:
// Image Recovery; Quick: .docx recovery for a ".docx" path, else Quick
// Recovery; Deep: Deep Recovery, whatever the path.
EngineKind ChooseEngine(JobMode mode, std::string_view path);

struct JobRequest {
  std::string path;
  JobMode mode = JobMode::kQuick;
  // When given, takes the text piece by piece as it grows, and
  // JobResult::text stays empty (the CLI writes a long text out this way).
  TextSink* textSink = nullptr;
};

struct JobResult {
  Status status;  // not OK: the source could not be read, or memory ran out
  EngineKind engine = EngineKind::kQuick;
  SourceFormat format = SourceFormat::kOther;  // what the engine found the source to be
  std::string text;                            // UTF-8, paragraphs ending in "\r\n"
  std::vector<PictureRecord> pictures;
  FileIdentity source;  // the file the pictures' ranges are in, when known
  std::vector<std::string> notices;
  DamageReport damage;
  bool cancelled = false;  // stopped on request: what was found so far is here
};

JobResult RunJob(const JobRequest& request, JobProgress& progress);

}  // namespace kw
