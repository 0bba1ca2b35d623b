// SPDX-License-Identifier: Apache-2.0
// The CLI's argument parser on arbitrary argument lists (NUL-separated):
// every outcome is one of the four actions, and a run always names a command
// and, but for batch (which parses its own arguments), a file.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  const kw::cli::ParsedArgs parsed = kw::cli::ParseArgs(args);
  using Action = kw::cli::ParsedArgs::Action;
  if (parsed.action == Action::kRun && (parsed.command.empty() || (parsed.file.empty() && parsed.command != "batch"))) {
    std::abort();
  }
  if (parsed.action == Action::kUsageError && parsed.error.empty()) std::abort();
  return 0;
}
