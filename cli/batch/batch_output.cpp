// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "base/message_text.h"
#include "base/output_file.h"

namespace kw::cli {

namespace {

// Why `name` in `parent` could not be opened as a folder (`error`).
std::string NotAFolder(int parent, const std::string& name, int error) {
  struct stat st {};
  if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(st.st_mode)) return OpenErrorText(ELOOP);
    if (!S_ISDIR(st.st_mode)) return "it is not a folder";
  }
  return ErrnoText(error);
}

// Calls `each(name)` for every entry of the open folder `folder` but "." and "..".
template <typename Each>
void ForEachName(int folder, Each&& each) {
  const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") each(std::string(name));
  }
  ::closedir(dir);
}

}  // namespace

std::string OpenErrorText(int error) {
  return error == ELOOP ? "it is a symbolic link, which batch never writes through" : ErrnoText(error);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

int UniqueFd::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

BatchOutDir::~BatchOutDir() {
  // Removed while still held, so that no batch waits on a lock nobody can see.
  if (lock_.valid()) ::unlinkat(fd_.get(), kBatchLockName, 0);
}

BatchOutDir::Opened BatchOutDir::open(const std::string& path, Status* error) {
  path_ = path;
  std::error_code made;
  std::filesystem::create_directories(path, made);
  fd_.reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd_.valid()) {
    *error = CannotWrite(path, ErrnoText(made ? made.value() : errno));
    return Opened::kFailed;
  }
  for (int attempt = 0; attempt < 10; ++attempt) {
    UniqueFd lock(::openat(fd_.get(), kBatchLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!lock.valid()) {
      *error = CannotWrite(path + "/" + kBatchLockName, OpenErrorText(errno));
      return Opened::kFailed;
    }
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return Opened::kLocked;
      lock_ = std::move(lock);  // a file system without locks: the batch goes on without one
      return Opened::kOk;
    }
    // The lock of a batch that has just ended (and removed its file) locks nothing.
    struct stat held {
    }, named{};
    if (::fstat(lock.get(), &held) == 0 && ::fstatat(fd_.get(), kBatchLockName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      lock_ = std::move(lock);
      return Opened::kOk;
    }
  }
  *error = CannotWrite(path + "/" + kBatchLockName, "other batches keep taking it");
  return Opened::kFailed;
}

bool BatchOutDir::empty() const {
  bool empty = true;
  ForEachName(fd_.get(), [&](const std::string& name) { empty = empty && name == kBatchLockName; });
  return empty;
}

Status BatchOutDir::openFolder(const std::string& relative, bool make, UniqueFd* folder, bool* missing) const {
  if (missing != nullptr) *missing = false;
  UniqueFd current(::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!current.valid()) return CannotWrite(path_, ErrnoText(errno));
  std::string shown = path_;
  for (size_t start = 0; start < relative.size();) {
    const size_t end = std::min(relative.find('/', start), relative.size());
    const std::string name = relative.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    shown += "/" + name;
    if (make && ::mkdirat(current.get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
      return CannotWrite(shown, ErrnoText(errno));
    }
    const int next = ::openat(current.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      const int error = errno;
      if (missing != nullptr) *missing = error == ENOENT;
      return CannotWrite(shown, NotAFolder(current.get(), name, error));
    }
    current.reset(next);
  }
  *folder = std::move(current);
  return Status::OK();
}

void BatchOutDir::removeLeftovers() const {
  std::vector<std::string> folders{""};  // relative to OUTDIR
  while (!folders.empty()) {
    const std::string relative = std::move(folders.back());
    folders.pop_back();
    UniqueFd folder;
    if (!openFolder(relative, false, &folder).ok()) continue;
    ForEachName(folder.get(), [&](const std::string& name) {
      struct stat st {};
      if (::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
      if (S_ISDIR(st.st_mode)) folders.push_back(relative.empty() ? name : relative + "/" + name);
      if (S_ISREG(st.st_mode) && IsOutputTempName(name)) ::unlinkat(folder.get(), name.c_str(), 0);
    });
  }
}

bool BatchOutDir::sync() const { return SyncFileSystem(fd_.get()); }

}  // namespace kw::cli
