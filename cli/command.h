// SPDX-License-Identifier: Apache-2.0
#pragma once
// A kwrecover command: one small class per verb, over the shared core; the
// table of commands (command_table.h) gives each its word and help line.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "cli/args.h"

namespace kw::cli {

// Exit statuses of every command.
constexpr int kExitOk = 0;
constexpr int kExitCannotRead = 1;
constexpr int kExitUsage = 2;

class Command {
 public:
  virtual ~Command() = default;
  virtual int execute(const ParsedArgs& args) = 0;
};

// Runs a whole command line (without the program name); what main() does.
int RunCommandLine(const std::vector<std::string>& args);

// Writes `data` to standard output. On failure prints one line on stderr and
// returns false. Files are written through an OutputFile, never here.
bool WriteStandardOutput(std::string_view data);

// Prints the status's message as the one "kwrecover: ..." line on stderr and
// returns kExitCannotRead.
int PrintError(const Status& status);

}  // namespace kw::cli
