// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_command.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "base/message_text.h"
#include "cli/batch/batch_job.h"
#include "cli/batch/batch_options.h"
#include "cli/batch/batch_output.h"
#include "cli/batch/batch_progress.h"
#include "cli/batch/batch_report.h"
#include "cli/batch/batch_walk.h"

namespace kw::cli {

namespace fs = std::filesystem;

namespace {

int Usage(const std::string& message) {
  std::fprintf(stderr, "kwrecover: %s\nTry \"kwrecover batch --help\".\n", message.c_str());
  return kExitUsage;
}

// Empty when OUTDIR may be used: a folder, or nothing yet; empty unless resuming.
std::string OutDirStateError(const BatchOptions& options) {
  std::error_code error;
  const fs::file_status status = fs::status(options.outDir, error);
  if (status.type() == fs::file_type::not_found) return {};
  if (status.type() != fs::file_type::directory) return "--out " + Quoted(options.outDir) + " is not a folder";
  if (!options.resume && !fs::is_empty(options.outDir, error)) {
    return "--out " + Quoted(options.outDir) +
           " is not empty; use --resume to go on with the batch there, or name a new folder";
  }
  return {};
}

// The report line of a file (or folder) that was not recovered at all.
std::string FailureLine(const std::string& path, JobMode mode, std::string message) {
  BatchOutcome outcome;
  outcome.path = path;
  outcome.mode = BatchModeName(mode);
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
  if (options->help) {
    std::fputs(BatchUsageText().c_str(), stdout);
    return kExitOk;
  }
  BatchListing listing;
  if (!ListBatchFiles(options->inputs, &listing, &error)) return Usage(error);
  error = OutputPlacementError(options->inputs, options->outDir);
  if (error.empty()) error = OutDirStateError(*options);
  if (!error.empty()) return Usage(error);

  std::error_code made;
  fs::create_directories(options->outDir, made);
  BatchReport report;
  Status status = made ? CannotWrite(options->outDir, ErrnoText(made.value()))
                       : report.open(options->outDir + "/report.jsonl", !options->resume);
  if (!status.ok()) return PrintError(status);

  const BatchSettings settings{options->outDir, options->mode, options->pictures, options->resume};
  std::vector<const BatchFile*> todo;
  for (const BatchFile& file : listing.files) {
    // A text renamed into place is complete (a temporary one is not looked
    // at); an empty one may have been cut by a system crash, and is redone.
    if (options->resume) {
      std::error_code missing;
      const std::string text = TextOutputPath(settings, file);
      const auto size = fs::file_size(text, missing);
      if (!missing && size > 0) continue;
      if (!missing) fs::remove(text, missing);
    }
    todo.push_back(&file);
  }
  std::atomic<bool> failed = !listing.unreadable.empty();
  for (size_t i = 0; i < listing.unreadable.size(); ++i) {
    report.append(FailureLine(listing.unreadable[i].path, options->mode, listing.unreadableWhy[i]));
  }

  BatchProgress progress(todo.size());
  std::atomic<size_t> next = 0;
  const auto work = [&] {
    for (size_t i = next++; i < todo.size(); i = next++) {
      try {
        if (!RunBatchFile(*todo[i], settings, report).error.empty()) failed = true;
      } catch (const std::exception& e) {  // memory or the file system, outside a job
        report.append(FailureLine(todo[i]->path, options->mode,
                                  std::string("The file could not be recovered: ") + e.what() + "."));
        failed = true;
      }
      progress.fileDone();
    }
  };
  std::vector<std::thread> workers;
  const unsigned n = WorkerCount(*options, todo.size());
  for (unsigned w = 1; w < n; ++w) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  progress.close();
  if (!SyncOutputs(options->outDir)) {
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
                 Quoted(options->outDir + "/report.jsonl").c_str());
    return kExitCannotRead;
  }
  return kExitOk;
}

}  // namespace kw::cli
