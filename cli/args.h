// SPDX-License-Identifier: Apache-2.0
#pragma once
// The command line of kwrecover, parsed into plain values.
//
//   kwrecover quick   FILE [-o OUT] [--report JSON]
//   kwrecover salvage FILE [-o OUT] [--report JSON]
//   kwrecover deep    FILE [-o OUT] [--pictures DIR] [--force] [--report JSON]
//   kwrecover images  FILE [--extract DIR] [--force] [--report JSON]
//   kwrecover info    PICTURE
//   kwrecover batch   PATH... --out OUTDIR [...]   (options of its own, see batch_options.h)
//   kwrecover --help | --version | COMMAND --help
//
// "--" ends the options, so a file named "-x.doc" can be given.

#include <optional>
#include <string>
#include <vector>

namespace kw::cli {

struct ParsedArgs {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kUsageError;
  std::string command;  // "quick", "salvage", "deep", "images", "info"; may be empty for help
  std::string file;
  std::optional<std::string> output;       // -o OUT
  std::optional<std::string> extractDir;   // --extract DIR
  std::optional<std::string> picturesDir;  // --pictures DIR
  bool force = false;                      // --force
  std::optional<std::string> report;       // --report JSON
  std::string error;                       // what is wrong, for kUsageError
  std::vector<std::string> commandArgs;    // batch: everything after the word, parsed by the command
};

// `args` excludes the program name.
ParsedArgs ParseArgs(const std::vector<std::string>& args);

// The usage text (for --help, and the hint after a usage error).
std::string UsageText();
std::string VersionText();

}  // namespace kw::cli
