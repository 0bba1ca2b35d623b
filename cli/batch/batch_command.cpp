// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_command.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "base/message_text.h"
#include "cli/batch/batch_job.h"
#include "cli/batch/batch_names.h"
#include "cli/batch/batch_options.h"
#include "cli/batch/batch_output.h"
#include "cli/batch/batch_progress.h"
#include "cli/batch/batch_report.h"
#include "cli/batch/batch_walk.h"
#include "jobs/job_modes.h"

namespace kw::cli {

namespace fs = std::filesystem;

namespace {

int Usage(const std::string& message) {
  std::fprintf(stderr, "kwrecover: %s\nTry \"kwrecover batch --help\".\n", message.c_str());
  return kExitUsage;
}

std::string NotEmpty(const BatchOptions& options) {
  return "--out " + Quoted(options.outDir) +
         " is not empty; use --resume to go on with the batch there, or name a new folder";
}

// Empty when OUTDIR may be used: a folder, or nothing yet; empty (but for a
// lock) unless resuming.
std::string OutDirStateError(const BatchOptions& options) {
  std::error_code error;
  const fs::file_status status = fs::status(options.outDir, error);
  if (status.type() == fs::file_type::not_found) return {};
  if (status.type() != fs::file_type::directory) return "--out " + Quoted(options.outDir) + " is not a folder";
  if (options.resume) return {};
  for (fs::directory_iterator it(options.outDir, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    if (it->path().filename() != kBatchLockName) return NotEmpty(options);
  }
  return {};
}

// The report line of a file (or folder) that was not recovered at all.
std::string FailureLine(const std::string& path, JobMode mode, std::string message) {
  BatchOutcome outcome;
  outcome.path = path;
  outcome.mode = ModeEntryOf(mode).word;
  outcome.error = std::move(message);
  return ReportLine(outcome);
}

unsigned WorkerCount(const BatchOptions& options, size_t files) {
  unsigned n = options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  n = std::min(n, kMaxBatchJobs);
  return static_cast<unsigned>(std::max<size_t>(1, std::min<size_t>(n, files)));
}

}  // namespace

int BatchCommand::execute(const ParsedArgs& args) {
  std::string error;
  const std::optional<BatchOptions> options = ParseBatchOptions(args.commandArgs, &error);
  if (!options) return Usage(error);
  if (options->help) return WriteStandardOutput(BatchUsageText()) ? kExitOk : kExitCannotRead;
  BatchListing listing;
  if (!ListBatchFiles(options->inputs, &listing, &error)) return Usage(error);
  error = OutputNameClash(listing.files, options->pictures);
  if (error.empty()) error = OutputPlacementError(options->inputs, listing, options->outDir);
  if (error.empty()) error = OutDirStateError(*options);
  if (!error.empty()) return Usage(error);

  BatchOutDir outDir;
  Status status;
  switch (outDir.open(options->outDir, &status)) {
    case BatchOutDir::Opened::kLocked:
      return Usage("another batch is writing into --out " + Quoted(options->outDir) +
                   "; wait for it to end, or name another folder");
    case BatchOutDir::Opened::kFailed: return PrintError(status);
    case BatchOutDir::Opened::kOk: break;
  }
  if (!options->resume && !outDir.empty()) return Usage(NotEmpty(*options));  // a batch that ended meanwhile
  if (options->resume) outDir.removeLeftovers();
  BatchReport report;
  status = report.open(outDir.fd(), outDir.path() + "/" + kReportName, !options->resume);
  if (!status.ok()) return PrintError(status);

  std::atomic<bool> failed = !listing.unreadable.empty();
  for (const BatchFailure& unreadable : listing.unreadable) {
    report.append(FailureLine(unreadable.path, options->mode, unreadable.message));
  }
  const BatchSettings settings{options->mode, options->pictures, options->resume};
  const std::vector<BatchFile>& files = listing.files;
  BatchProgress progress(files.size());
  std::atomic<size_t> next = 0;
  const auto work = [&] {
    // Once the report cannot be written, no file can be finished: the batch stops.
    for (size_t i = next++; i < files.size() && report.status().ok(); i = next++) {
      try {
        const std::optional<BatchOutcome> outcome = RunBatchFile(files[i], settings, outDir, report);
        if (outcome && !outcome->error.empty()) failed = true;
      } catch (const std::exception& e) {  // memory or the file system, outside a job
        report.append(FailureLine(files[i].path, options->mode,
                                  std::string("The file could not be recovered: ") + e.what() + "."));
        failed = true;
      }
      progress.fileDone();
    }
  };
  std::vector<std::thread> workers;
  const unsigned n = WorkerCount(*options, files.size());
  for (unsigned w = 1; w < n; ++w) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  progress.close();
  if (!outDir.sync()) {
    std::fprintf(stderr, "kwrecover: the outputs in %s could not be flushed to disk.\n",
                 Quoted(options->outDir).c_str());
    failed = true;
  }

  if (listing.skipped > 0) {
    std::fprintf(stderr, "kwrecover: left alone %zu symbolic links and special files.\n", listing.skipped);
  }
  status = report.status();
  if (!status.ok()) return PrintError(status);
  if (failed) {
    std::fprintf(stderr, "kwrecover: some files could not be recovered; see %s.\n",
                 Quoted(options->outDir + "/" + kReportName).c_str());
    return kExitCannotRead;
  }
  return kExitOk;
}

}  // namespace kw::cli
