// SPDX-License-Identifier: Apache-2.0
#pragma once
// The options of `kwrecover batch`, parsed into plain values.
//
//   kwrecover batch PATH... --out OUTDIR [--mode deep|quick|salvage]
//                   [--jobs N] [--pictures] [--resume]
//
// "--" ends the options, so a path that begins with "-" can be given.

#include <optional>
#include <string>
#include <vector>

#include "jobs/job.h"

namespace kw::cli {

struct BatchOptions {
  std::vector<std::string> inputs;  // files and folders, as given
  std::string outDir;
  JobMode mode = JobMode::kDeep;
  unsigned jobs = 0;  // 0: one per core
  bool pictures = false;
  bool resume = false;
  bool help = false;
};

// The most workers a batch runs, whatever --jobs or the core count says.
constexpr unsigned kMaxBatchJobs = 16;

// The options, or nullopt with *error saying what is wrong. `args` follows
// the word "batch".
std::optional<BatchOptions> ParseBatchOptions(const std::vector<std::string>& args, std::string* error);

std::string BatchUsageText();

}  // namespace kw::cli
