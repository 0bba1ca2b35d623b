// SPDX-License-Identifier: Apache-2.0
#pragma once
// One file of a batch, from its path to its outputs and its report line.
//
// Runs the job, then writes into OUTDIR, each folder opened from OUTDIR down
// without following a link: the pictures (with --pictures) into
// <relative>.pictures/, then the text to <relative>.txt through an
// OutputFile that never replaces anything, so the text exists only once it
// and the pictures are complete ("exists" means "done" for --resume). The
// report line is appended just before the text is renamed into place: a run
// stopped in between leaves the file to be redone and reported again, never
// done and unreported, and a text whose line could not be written is not
// kept. When a path has more than one line in the report, the last one
// counts (a text that fails at the very end gets a second, error line).

#include <optional>

#include "cli/batch/batch_output.h"
#include "cli/batch/batch_report.h"
#include "cli/batch/batch_walk.h"
#include "jobs/job.h"

namespace kw::cli {

struct BatchSettings {
  JobMode mode = JobMode::kDeep;
  bool pictures = false;
  // Complete texts are skipped, and pictures left by an interrupted run may be replaced.
  bool resume = false;
};

// Recovers one file into `outDir` and reports it; returns what it appended
// last, or nothing when the file was skipped (--resume, its text complete).
std::optional<BatchOutcome> RunBatchFile(const BatchFile& file, const BatchSettings& settings,
                                         const BatchOutDir& outDir, BatchReport& report);

}  // namespace kw::cli
