// SPDX-License-Identifier: Apache-2.0
#include "cli/info_command.h"

#include <cstdio>

#include "base/source_file.h"
#include "formats/images/picture_header.h"

namespace kw::cli {

int InfoCommand::execute(const ParsedArgs& args) {
  // PictureHeader is silent about a file it cannot read; say why here.
  SourceFile file;
  const Status status = SourceFile::Open(args.file, &file);
  if (!status.ok()) return PrintError(status);
  file.close();
  PictureHeader info;
  info.fileName = args.file;
  info.read();
  const std::string line = "TypeOfImage=" + std::to_string(info.type) + " Width=" + std::to_string(info.width) +
                           " Height=" + std::to_string(info.height) + " Depth=" + std::to_string(info.depth) + "\n";
  return WriteStandardOutput(line) ? kExitOk : kExitCannotRead;
}

}  // namespace kw::cli
