// kwrecover: the command-line front end of the recovery engines.

#include <string>
#include <vector>

#include "cli/command.h"

int main(int argc, char** argv) {
  return kw::cli::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
