// SPDX-License-Identifier: Apache-2.0
#pragma once
// images: runs one Image Recovery job as the wizard would and prints the
// picture list, one entry text a line in list order, then the label line
// "Found (n) Images". With --extract DIR it then writes each picture to
// DIR/<name>.<ext> (DIR created if missing, existing files left alone
// unless --force); a refused entry is reported on stderr and the others are
// still written.

#include "cli/command.h"

namespace kw::cli {

class ImagesCommand : public Command {
 public:
  int execute(const ParsedArgs& args) override;
};

}  // namespace kw::cli
