// SPDX-License-Identifier: Apache-2.0
#pragma once
// The commands of kwrecover, in one table: each command's word, the options
// it takes, its lines in `kwrecover --help` and the class that runs it. The
// parser, the help text and RunCommandLine all read this table; a new
// command is one class and one row. A mode's word is the core's (jobs/job_modes.h).

#include <memory>
#include <span>
#include <string_view>

namespace kw::cli {

class Command;

struct CommandEntry {
  std::string_view word;
  std::string_view help;    // its lines under "Commands:", from the word on, each ending in "\n"
  bool output = false;      // takes -o OUT
  bool extract = false;     // takes --extract DIR and --force
  bool pictures = false;    // takes --pictures DIR and --force
  bool report = false;      // takes --report JSON
  bool ownOptions = false;  // parses everything after its word itself (batch)
  std::unique_ptr<Command> (*make)() = nullptr;
};

std::span<const CommandEntry> Commands();

// The entry of that word, or null.
const CommandEntry* FindCommand(std::string_view word);

}  // namespace kw::cli
