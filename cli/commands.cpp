#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "cli/command.h"
#include "cli/images_command.h"
#include "cli/info_command.h"
#include "cli/text_command.h"

namespace kw::cli {

std::unique_ptr<Command> MakeCommand(const std::string& name) {
  if (name == "quick") return std::make_unique<TextCommand>(Mode::kQuick);
  if (name == "salvage") return std::make_unique<TextCommand>(Mode::kSalvage);
  if (name == "images") return std::make_unique<ImagesCommand>();
  if (name == "info") return std::make_unique<InfoCommand>();
  return nullptr;
}

int RunCommandLine(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args);
  switch (parsed.action) {
    case ParsedArgs::Action::kHelp: std::fputs(UsageText().c_str(), stdout); return kExitOk;
    case ParsedArgs::Action::kVersion: std::fputs(VersionText().c_str(), stdout); return kExitOk;
    case ParsedArgs::Action::kUsageError:
      std::fprintf(stderr, "kwrecover: %s\nTry \"kwrecover --help\".\n", parsed.error.c_str());
      return kExitUsage;
    case ParsedArgs::Action::kRun: break;
  }
  const std::unique_ptr<Command> command = MakeCommand(parsed.command);
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

bool WriteOutput(const std::string& path, std::string_view data) {
  std::FILE* out = path.empty() ? stdout : std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "kwrecover: Cannot write \"%s\": %s.\n", path.c_str(), std::strerror(errno));
    return false;
  }
  const bool written = std::fwrite(data.data(), 1, data.size(), out) == data.size();
  const bool closed = path.empty() ? std::fflush(out) == 0 : std::fclose(out) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "kwrecover: Cannot write \"%s\": %s.\n", path.empty() ? "standard output" : path.c_str(),
                 std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace kw::cli
