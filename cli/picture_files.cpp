// SPDX-License-Identifier: Apache-2.0
#include "cli/picture_files.h"

#include <cstdio>
#include <filesystem>

#include "base/message_text.h"
#include "cli/command.h"
#include "formats/images/image_extraction.h"

namespace kw::cli {

std::string PictureFileName(const PictureRecord& picture) {
  const std::string name = picture.name + "." + picture.ext;
  if (picture.name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
    return {};
  }
  return name;
}

int WritePictureFiles(const std::string& dir, bool force, const std::string& sourcePath, const JobResult& result) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!std::filesystem::is_directory(dir)) {
    const std::string reason = error ? error.message() : "it is not a folder";
    std::fprintf(stderr, "kwrecover: Cannot write into %s: %s.\n", Quoted(dir).c_str(), reason.c_str());
    return kExitCannotRead;
  }
  size_t written = 0;
  for (const PictureRecord& picture : result.pictures) {
    const std::string name = PictureFileName(picture);
    if (name.empty()) {
      std::fprintf(stderr, "kwrecover: skipped %s: not a file name.\n", Quoted(picture.name).c_str());
      continue;
    }
    const Status status = ExtractImage(sourcePath, result.source, picture, dir + "/" + name, force);
    if (status.ok()) {
      ++written;
      continue;
    }
    std::fprintf(stderr, "kwrecover: %s: %s%s\n", Escaped(name).c_str(), status.message().c_str(),
                 status.message().find("Not overwriting") == 0 ? " Use --force to overwrite." : "");
  }
  const size_t listed = result.pictures.size();
  if (written == listed) return kExitOk;
  std::fprintf(stderr, "kwrecover: wrote %zu of %zu pictures into %s.\n", written, listed, Quoted(dir).c_str());
  return kExitCannotRead;
}

}  // namespace kw::cli
