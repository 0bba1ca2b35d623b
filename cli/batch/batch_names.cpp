// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_names.h"

#include <unordered_map>
#include <utility>

#include "base/message_text.h"

namespace kw::cli {

std::string TextName(const BatchFile& file) { return file.relative + ".txt"; }

std::string PicturesName(const BatchFile& file) { return file.relative + ".pictures"; }

std::string OutputNameClash(const std::vector<BatchFile>& files, bool pictures) {
  enum class Use { kText, kFolder, kPictures };
  std::unordered_map<std::string, std::pair<Use, const BatchFile*>> names;
  std::string clash;
  // Folders are shared by the files below them; every other name is one file's.
  const auto claim = [&](const std::string& name, Use use, const BatchFile& file) {
    const auto [it, added] = names.try_emplace(name, use, &file);
    if (added || (use == Use::kFolder && it->second.first == Use::kFolder) || !clash.empty()) return;
    clash = Quoted(it->second.second->path) + " and " + Quoted(file.path) + " would both use the name " + Quoted(name) +
            " in --out; rename one, or give them in separate batches";
  };
  for (const BatchFile& file : files) {
    const size_t top = file.relative.find('/');
    if (top != std::string::npos && file.relative.compare(0, top, kReportName) == 0) {
      return Quoted(file.path) + " would be written below " + Quoted(kReportName) +
             ", the name of the batch's report; give the folder above it instead";
    }
    claim(TextName(file), Use::kText, file);
    if (pictures) claim(PicturesName(file), Use::kPictures, file);
    for (size_t slash = top; slash != std::string::npos; slash = file.relative.find('/', slash + 1)) {
      claim(file.relative.substr(0, slash), Use::kFolder, file);
    }
    if (!clash.empty()) return clash;
  }
  return {};
}

}  // namespace kw::cli
