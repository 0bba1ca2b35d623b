// SPDX-License-Identifier: Apache-2.0
#include "cli/args.h"

#include <string_view>

#include "base/message_text.h"
#include "base/version.h"
#include "cli/command_table.h"

namespace kw::cli {

namespace {

ParsedArgs UsageError(std::string message) {
  ParsedArgs parsed;
  parsed.action = ParsedArgs::Action::kUsageError;
  parsed.error = std::move(message);
  return parsed;
}

// Splits "--name=value" into its two halves.
bool SplitLong(std::string_view arg, std::string_view name, std::string_view* value) {
  if (arg.substr(0, name.size()) != name || arg.size() <= name.size() || arg[name.size()] != '=') return false;
  *value = arg.substr(name.size() + 1);
  return true;
}

}  // namespace

ParsedArgs ParseArgs(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (const CommandEntry* own = args.empty() ? nullptr : FindCommand(args[0]); own && own->ownOptions) {
    parsed.action = ParsedArgs::Action::kRun;
    parsed.command = args[0];
    parsed.commandArgs.assign(args.begin() + 1, args.end());
    return parsed;
  }
  std::vector<std::string> positional;
  bool optionsEnded = false;
  bool help = false;
  bool version = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.emplace_back(arg);
      continue;
    }
    std::string_view value;
    auto takeValue = [&](std::string_view option) -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      (void)option;
      return args[++i];
    };
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--force") {
      parsed.force = true;
    } else if (arg == "-o" || arg == "--output") {
      auto v = takeValue(arg);
      if (!v) return UsageError("option " + std::string(arg) + " needs a file name");
      parsed.output = *v;
    } else if (SplitLong(arg, "--output", &value)) {
      parsed.output = std::string(value);
    } else if (arg.substr(0, 2) == "-o") {
      parsed.output = std::string(arg.substr(2));
    } else if (arg == "--extract") {
      auto v = takeValue(arg);
      if (!v) return UsageError("option --extract needs a folder");
      parsed.extractDir = *v;
    } else if (SplitLong(arg, "--extract", &value)) {
      parsed.extractDir = std::string(value);
    } else if (arg == "--pictures") {
      auto v = takeValue(arg);
      if (!v) return UsageError("option --pictures needs a folder");
      parsed.picturesDir = *v;
    } else if (SplitLong(arg, "--pictures", &value)) {
      parsed.picturesDir = std::string(value);
    } else if (arg == "--report") {
      auto v = takeValue(arg);
      if (!v) return UsageError("option --report needs a file name");
      parsed.report = *v;
    } else if (SplitLong(arg, "--report", &value)) {
      parsed.report = std::string(value);
    } else {
      return UsageError("unknown option " + Escaped(arg));
    }
  }
  if (!positional.empty()) parsed.command = positional[0];
  if (help) {
    parsed.action = ParsedArgs::Action::kHelp;
    return parsed;
  }
  if (version) {
    parsed.action = ParsedArgs::Action::kVersion;
    return parsed;
  }
  if (positional.empty()) return UsageError("no command given");
  const CommandEntry* command = FindCommand(positional[0]);
  if (command == nullptr) return UsageError("unknown command " + Quoted(positional[0]));
  if (command->ownOptions) return UsageError(parsed.command + " comes first, before its options");
  if (positional.size() < 2) return UsageError("the " + parsed.command + " command needs a file");
  if (positional.size() > 2) return UsageError("too many arguments: " + Quoted(positional[2]));
  if (positional[1].empty()) return UsageError("the file name is empty");
  if (parsed.output && !command->output) return UsageError("-o is not an option of " + parsed.command);
  if (parsed.extractDir && !command->extract) return UsageError("--extract is an option of images only");
  if (parsed.picturesDir && !command->pictures) return UsageError("--pictures is an option of deep only");
  if (parsed.force && !command->extract && !command->pictures) {
    return UsageError("--force is an option of images and deep only");
  }
  if (parsed.force && !parsed.extractDir && !parsed.picturesDir) {
    return UsageError("--force goes with --extract or --pictures");
  }
  if (parsed.output && parsed.output->empty()) return UsageError("-o needs a file name");
  if (parsed.extractDir && parsed.extractDir->empty()) return UsageError("--extract needs a folder");
  if (parsed.picturesDir && parsed.picturesDir->empty()) return UsageError("--pictures needs a folder");
  if (parsed.report && !command->report) return UsageError("--report is not an option of " + parsed.command);
  if (parsed.report && parsed.report->empty()) return UsageError("--report needs a file name");
  parsed.file = positional[1];
  parsed.action = ParsedArgs::Action::kRun;
  return parsed;
}

std::string UsageText() {
  std::string text =
      "Usage: kwrecover COMMAND FILE [OPTIONS]\n"
      "Recovers what it can from a damaged Word document.\n"
      "\n"
      "Commands:\n";
  for (const CommandEntry& command : Commands()) text.append("  ").append(command.help);
  return text +
         "\n"
         "Options:\n"
         "  -o, --output OUT   write the text to OUT instead of standard output\n"
         "                     (OUT ending in .docx: a Word document)\n"
         "  --report JSON      write what was damaged, where and why, to JSON (quick, salvage, deep,\n"
         "                     images)\n"
         "  -h, --help         show this help\n"
         "      --version      show the version\n"
         "  --                 end of options (for file names that begin with \"-\")\n"
         "\n"
         "Text is written as UTF-8 with CR LF line breaks. Exit status: 0 the job ran (also when\n"
         "it recovered nothing), 1 the file cannot be read or written, 2 usage error.\n";
}

std::string VersionText() { return "kwrecover " KW_VERSION_MAJOR_MINOR " (build " KW_VERSION_BUILD ")\n"; }

}  // namespace kw::cli
