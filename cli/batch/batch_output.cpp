// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_output.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "base/message_text.h"
#include "base/output_file.h"

namespace kw::cli {

BatchTextFile::~BatchTextFile() { removeTemp(); }

void BatchTextFile::removeTemp() {
  if (temp_.empty()) return;
  ::unlink(temp_.c_str());
  UnregisterPendingFile(slot_);
  temp_.clear();
  slot_ = -1;
}

Status BatchTextFile::write(const std::string& destination, std::string_view bytes) {
  removeTemp();
  destination_ = destination;
  const std::string temp = destination + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return CannotWrite(temp, ErrnoText(errno));
  temp_ = temp;
  slot_ = RegisterPendingFile(temp_);
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      ::close(fd);
      removeTemp();
      return CannotWrite(destination, ErrnoText(error));
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    const int error = errno;
    removeTemp();
    return CannotWrite(destination, ErrnoText(error));
  }
  return Status::OK();
}

Status BatchTextFile::commit() {
  if (temp_.empty()) return CannotWrite(destination_, "nothing was written");
  int result = ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, destination_.c_str(), RENAME_NOREPLACE);
  bool linked = false;
  if (result != 0 && errno == EINVAL) {  // a file system without that flag: a link fails just the same
    result = ::link(temp_.c_str(), destination_.c_str());
    linked = result == 0;
  }
  if (result != 0) {
    const int error = errno;
    removeTemp();
    return CannotWrite(destination_, error == EEXIST ? "it already exists" : ErrnoText(error));
  }
  if (linked) ::unlink(temp_.c_str());
  UnregisterPendingFile(slot_);
  temp_.clear();
  slot_ = -1;
  return Status::OK();
}

bool SyncOutputs(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::syncfs(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace kw::cli
