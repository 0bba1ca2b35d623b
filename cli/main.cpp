// SPDX-License-Identifier: Apache-2.0
// kwrecover: the command-line front end of the recovery engines.

#include <string>
#include <vector>

#include "base/large_buffers.h"
#include "base/output_file.h"
#include "cli/command.h"

int main(int argc, char** argv) {
  kw::InstallOutputCleanup();  // Ctrl+C or a kill never leaves a half-written output behind
  kw::ReturnLargeBuffersToSystem();
  return kw::cli::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
