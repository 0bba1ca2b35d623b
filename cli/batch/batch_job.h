// SPDX-License-Identifier: Apache-2.0
#pragma once
// One file of a batch, from its path to its outputs and its report line.
//
// Runs the job, then writes into OUTDIR: the pictures (with --pictures) into
// <relative>.pictures/, then the text to <relative>.txt through a
// BatchTextFile, so the text exists only once it and the pictures are complete
// ("exists" means "done" for --resume). The report line is appended just
// before the text is renamed into place: a run stopped in between leaves the
// file to be redone and reported again, never done and unreported. When a
// path has more than one line in the report, the last one counts (a text
// that fails at the very end gets a second, error line).

#include <string>

#include "cli/batch/batch_report.h"
#include "cli/batch/batch_walk.h"
#include "jobs/job.h"

namespace kw::cli {

struct BatchSettings {
  std::string outDir;
  JobMode mode = JobMode::kDeep;
  bool pictures = false;
  bool resume = false;  // pictures left by an interrupted run may be replaced
};

// The output names of a file inside OUTDIR.
std::string TextOutputPath(const BatchSettings& settings, const BatchFile& file);
std::string PicturesOutputPath(const BatchSettings& settings, const BatchFile& file);

// doc, docx, rtf or other: by the engine that ran, the file's first bytes,
// and for Deep Recovery the readers that reported damage.
std::string DetectedFormat(const std::string& path, const JobResult& result);

// Recovers one file and reports it; returns what it appended last.
BatchOutcome RunBatchFile(const BatchFile& file, const BatchSettings& settings, BatchReport& report);

}  // namespace kw::cli
