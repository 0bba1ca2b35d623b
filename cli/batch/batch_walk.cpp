// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_walk.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "base/message_text.h"

namespace kw::cli {

namespace fs = std::filesystem;

namespace {

// The argument's own last component, the first part of every relative name.
std::string TopName(const std::string& arg) {
  std::error_code error;
  fs::path path = fs::path(arg).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();  // "a/b/"
  std::string name = path.filename().string();
  if (name == "." || name == ".." || name.empty()) {
    path = fs::absolute(arg, error).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();
    name = path.filename().string();
  }
  return name.empty() ? "root" : name;
}

void WalkFolder(const std::string& top, const std::string& topName, BatchListing* listing) {
  std::vector<std::pair<std::string, std::string>> folders{{top, topName}};  // path, relative
  while (!folders.empty()) {
    const auto [folder, relative] = std::move(folders.back());
    folders.pop_back();
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
      const std::string name = it->path().filename().string();
      const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
      std::error_code typeError;
      const fs::file_type type = it->symlink_status(typeError).type();
      if (type == fs::file_type::directory) {
        folders.emplace_back(path, relative + "/" + name);
      } else if (type == fs::file_type::regular) {
        listing->files.push_back({path, relative + "/" + name});
      } else {
        ++listing->skipped;
      }
    }
    if (error) {
      listing->unreadable.push_back({folder, relative});
      listing->unreadableWhy.push_back("Cannot read the folder " + Quoted(folder) + ": " + ErrnoText(error.value()) +
                                       ".");
    }
  }
}

// `inner` is `outer` or below it (both absolute and normal).
bool Within(const std::string& inner, const std::string& outer) {
  if (inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || outer.back() == '/' || inner[outer.size()] == '/';
}

}  // namespace

bool ListBatchFiles(const std::vector<std::string>& inputs, BatchListing* listing, std::string* usageError) {
  for (const std::string& input : inputs) {
    std::error_code error;
    const fs::file_type type = fs::symlink_status(input, error).type();
    if (type == fs::file_type::regular) {
      listing->files.push_back({input, TopName(input)});
    } else if (type == fs::file_type::directory) {
      WalkFolder(input, TopName(input), listing);
    } else {
      *usageError = Quoted(input) + (type == fs::file_type::not_found ? " does not exist"
                                     : type == fs::file_type::symlink ? " is a symbolic link, which batch never follows"
                                                                      : " is not a file or folder");
      return false;
    }
  }
  std::sort(listing->files.begin(), listing->files.end(),
            [](const BatchFile& a, const BatchFile& b) { return a.relative < b.relative; });
  const auto same = std::adjacent_find(listing->files.begin(), listing->files.end(),
                                       [](const BatchFile& a, const BatchFile& b) { return a.relative == b.relative; });
  if (same != listing->files.end()) {
    *usageError = Quoted(same->path) + " and " + Quoted((same + 1)->path) + " would both be written as " +
                  Quoted(same->relative) + "; give them in separate batches";
    return false;
  }
  return true;
}

std::string OutputPlacementError(const std::vector<std::string>& inputs, const std::string& outDir) {
  std::error_code error;
  const std::string out = fs::weakly_canonical(fs::absolute(outDir, error), error).string();
  if (error) return "cannot resolve " + Quoted(outDir) + ": " + ErrnoText(error.value());
  for (const std::string& input : inputs) {
    const std::string in = fs::canonical(input, error).string();
    if (error) return "cannot resolve " + Quoted(input) + ": " + ErrnoText(error.value());
    if (fs::is_directory(in, error) && Within(out, in)) {
      return "--out " + Quoted(outDir) + " is inside the input folder " + Quoted(input) + "; batch never writes there";
    }
    if (Within(in, out)) return "the input " + Quoted(input) + " is inside --out " + Quoted(outDir);
  }
  return {};
}

}  // namespace kw::cli
