// SPDX-License-Identifier: Apache-2.0
#pragma once
// info: prints "TypeOfImage=t Width=w Height=h Depth=d" for a picture file,
// the fields of PictureHeader after read() (all 0 for an unknown
// format). A file that cannot be read is an error (exit status 1).

#include "cli/command.h"

namespace kw::cli {

class InfoCommand : public Command {
 public:
  int execute(const ParsedArgs& args) override;
};

}  // namespace kw::cli
