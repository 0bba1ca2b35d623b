#pragma once
// A kwrecover command: one small class per verb, over the shared core.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/args.h"

namespace kw::cli {

// Exit statuses of every command.
constexpr int kExitOk = 0;
constexpr int kExitCannotRead = 1;
constexpr int kExitUsage = 2;

class Command {
 public:
  virtual ~Command() = default;
  virtual std::string name() const = 0;
  virtual int execute(const ParsedArgs& args) = 0;
};

// The command of that name, or null.
std::unique_ptr<Command> MakeCommand(const std::string& name);

// Runs a whole command line (without the program name); what main() does.
int RunCommandLine(const std::vector<std::string>& args);

// Writes `data` to `path`, or to stdout when `path` is empty. On failure
// prints one line on stderr and returns false.
bool WriteOutput(const std::string& path, std::string_view data);

}  // namespace kw::cli
