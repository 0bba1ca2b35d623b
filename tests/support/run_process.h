// SPDX-License-Identifier: Apache-2.0
#pragma once
// Runs a program as a separate process and captures what it printed.

#include <string>
#include <vector>

namespace kw::test {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs `program` with `args` (no shell), stdin from /dev/null.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args);

}  // namespace kw::test
