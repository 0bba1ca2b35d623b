// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>

#include "base/message_text.h"

namespace kw::cli {

namespace fs = std::filesystem;

namespace {

FileIdentity IdentityFrom(const struct stat& st) { return {st.st_dev, st.st_ino, true}; }

// The argument without slashes after it, so that "link/" is the link itself.
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

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
    // Opened without following a link: one put in a folder's place since it was listed is not entered.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
      const int error = errno;
      if (fd >= 0) ::close(fd);
      listing->unreadable.push_back(
          {folder, "Cannot read the folder " + Quoted(folder) + ": " + ErrnoText(error) + "."});
      continue;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0) listing->folders.push_back({folder, IdentityFrom(st)});
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") {
        const std::string path = prefix + name;
        // A folder that can be listed but not entered gives names whose type cannot be read.
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
          listing->unreadable.push_back({path, "Cannot read " + Quoted(path) + ": " + ErrnoText(errno) + "."});
        } else if (S_ISDIR(st.st_mode)) {
          folders.emplace_back(path, relative + "/" + name);
        } else if (S_ISREG(st.st_mode)) {
          listing->files.push_back({path, relative + "/" + name});
        } else {
          ++listing->skipped;
        }
      }
      errno = 0;
    }
    if (errno != 0) {
      listing->unreadable.push_back(
          {folder, "Cannot read all of the folder " + Quoted(folder) + ": " + ErrnoText(errno) + "."});
    }
    ::closedir(dir);
  }
}

// The identities of the folder `path` (or, while it does not exist, of the
// nearest folder above it that does) and of every folder above that, up to
// the root, as the system finds them (through links and mounts). *exists:
// whether the first is `path` itself.
std::vector<FileIdentity> FoldersUpFrom(const std::string& path, bool* exists) {
  std::error_code error;
  std::string at = WithoutTrailingSlashes(fs::absolute(path, error).string());
  int fd = ::open(at.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  *exists = fd >= 0;
  while (fd < 0 && at.size() > 1) {
    at = WithoutTrailingSlashes(fs::path(at).parent_path().string());
    fd = ::open(at.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  std::vector<FileIdentity> chain;
  for (int depth = 0; fd >= 0 && depth < 4096; ++depth) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (!chain.empty() && IdentityFrom(st) == chain.back())) break;  // the root
    chain.push_back(IdentityFrom(st));
    const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = up;
  }
  if (fd >= 0) ::close(fd);
  return chain;
}

bool Holds(const std::vector<FileIdentity>& chain, const FileIdentity& identity) {
  return std::find(chain.begin(), chain.end(), identity) != chain.end();
}

}  // namespace

bool ListBatchFiles(const std::vector<std::string>& inputs, BatchListing* listing, std::string* usageError) {
  for (const std::string& input : inputs) {
    const std::string bare = WithoutTrailingSlashes(input);
    struct stat st {};
    if (::lstat(bare.c_str(), &st) != 0) {
      *usageError = Quoted(input) + (errno == ENOENT ? " does not exist" : " cannot be read: " + ErrnoText(errno));
      return false;
    }
    if (S_ISREG(st.st_mode)) {
      listing->files.push_back({bare, TopName(bare)});
    } else if (S_ISDIR(st.st_mode)) {
      WalkFolder(input, TopName(input), listing);
    } else {
      *usageError = Quoted(input) + (S_ISLNK(st.st_mode) ? " is a symbolic link, which batch never follows"
                                                         : " is not a file or folder");
      return false;
    }
  }
  std::sort(listing->files.begin(), listing->files.end(),
            [](const BatchFile& a, const BatchFile& b) { return a.relative < b.relative; });
  return true;
}

std::string OutputPlacementError(const std::vector<std::string>& inputs, const BatchListing& listing,
                                 const std::string& outDir) {
  bool outExists = false;
  const std::vector<FileIdentity> outChain = FoldersUpFrom(outDir, &outExists);
  if (outChain.empty()) return "cannot find where " + Quoted(outDir) + " would be";
  for (const BatchFolder& folder : listing.folders) {
    if (Holds(outChain, folder.identity)) {
      return "--out " + Quoted(outDir) + " is inside the input folder " + Quoted(folder.path) +
             "; batch never writes there";
    }
  }
  if (!outExists) return {};  // nothing is inside a folder still to be made
  for (const std::string& input : inputs) {
    bool found = false;
    const std::string bare = WithoutTrailingSlashes(input);
    struct stat st {};
    const bool folder = ::lstat(bare.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    const std::string parent = fs::path(bare).parent_path().string();
    if (Holds(FoldersUpFrom(folder ? bare : parent.empty() ? "." : parent, &found), outChain.front())) {
      return "the input " + Quoted(input) + " is inside --out " + Quoted(outDir);
    }
  }
  return {};
}

}  // namespace kw::cli
