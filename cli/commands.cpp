// SPDX-License-Identifier: Apache-2.0
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "cli/command.h"
#include "cli/command_table.h"

namespace kw::cli {

int RunCommandLine(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args);
  switch (parsed.action) {
    case ParsedArgs::Action::kHelp: return WriteStandardOutput(UsageText()) ? kExitOk : kExitCannotRead;
    case ParsedArgs::Action::kVersion: return WriteStandardOutput(VersionText()) ? kExitOk : kExitCannotRead;
    case ParsedArgs::Action::kUsageError:
      std::fprintf(stderr, "kwrecover: %s\nTry \"kwrecover --help\".\n", parsed.error.c_str());
      return kExitUsage;
    case ParsedArgs::Action::kRun: break;
  }
  const CommandEntry* entry = FindCommand(parsed.command);
  const std::unique_ptr<Command> command = entry != nullptr ? entry->make() : nullptr;
  if (command == nullptr) {
    std::fprintf(stderr, "kwrecover: the %s command is not available in this build\n", parsed.command.c_str());
    return kExitUsage;
  }
  try {
    return command->execute(parsed);
  } catch (const std::bad_alloc&) {
    // Jobs turn this into an error of their own; this catches the rest (a
    // listing, an output buffer).
    std::fprintf(stderr, "kwrecover: Not enough memory to finish the %s command.\n", parsed.command.c_str());
    return kExitCannotRead;
  }
}

bool WriteStandardOutput(std::string_view data) {
  if (std::fwrite(data.data(), 1, data.size(), stdout) == data.size() && std::fflush(stdout) == 0) return true;
  std::fprintf(stderr, "kwrecover: Cannot write \"standard output\": %s.\n", std::strerror(errno));
  return false;
}

int PrintError(const Status& status) {
  std::fprintf(stderr, "kwrecover: %s\n", status.message().c_str());
  return kExitCannotRead;
}

}  // namespace kw::cli
