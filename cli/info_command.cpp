#include "cli/info_command.h"

#include <cstdio>

#include "base/source_file.h"
#include "formats/images/image_info.h"

namespace kw::cli {

int InfoCommand::execute(const ParsedArgs& args) {
  // cGetInfo is silent about a file it cannot read; say why here.
  SourceFile file;
  const Status status = SourceFile::Open(args.file, &file);
  if (!status.ok()) return PrintError(status);
  file.close();
  cGetInfo info;
  info.FileName = args.file;
  info.GetImageFileInfo();
  const std::string line = "TypeOfImage=" + std::to_string(info.TypeOfImage) + " Width=" + std::to_string(info.Width) +
                           " Height=" + std::to_string(info.Height) + " Depth=" + std::to_string(info.Depth) + "\n";
  return WriteStandardOutput(line) ? kExitOk : kExitCannotRead;
}

}  // namespace kw::cli
