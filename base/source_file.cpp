// SPDX-License-Identifier: Apache-2.0
#include "base/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/message_text.h"

namespace kw {

Status CannotRead(const std::string& path, const std::string& reason) {
  return Status::IOError("Cannot read " + Quoted(path) + ": " + reason + ".");
}

Status PasswordProtected(const std::string& path) {
  return Status::Encrypted("Cannot read " + Quoted(path) +
                           ": it is password-protected and cannot be read without the password.");
}

SourceFile::~SourceFile() { close(); }

SourceFile::SourceFile(SourceFile&& other) noexcept { *this = std::move(other); }

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    size_ = other.size_;
    bytesRead_ = other.bytesRead_;
    readErrno_ = other.readErrno_;
    path_ = std::move(other.path_);
    identity_ = other.identity_;
    wholeTried_ = other.wholeTried_;
    wholeRead_ = other.wholeRead_;
    whole_ = std::move(other.whole_);
    other.fd_ = -1;
    other.wholeRead_ = false;
  }
  return *this;
}

Status SourceFile::Open(const std::string& path, SourceFile* file) {
  file->close();
  if (path.empty()) return CannotRead(path, "no file was given");
  // O_NONBLOCK, kept for the reads too: neither opening a FIFO nor reading a
  // special file that calls itself regular may wait.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return CannotRead(path, ErrnoText(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return CannotRead(path, ErrnoText(error));
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return CannotRead(path, "it is a folder, not a file");
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return CannotRead(path, "it is not a regular file (a device, pipe or socket)");
  }
  if (st.st_size > kMaxSize) {
    ::close(fd);
    return CannotRead(path, "it is 2 GiB or larger, more than this tool can read");
  }
  file->fd_ = fd;
  file->size_ = st.st_size;
  file->bytesRead_ = 0;
  file->readErrno_ = 0;
  file->path_ = path;
  file->identity_ = {st.st_dev, st.st_ino, true};
  file->wholeTried_ = false;
  file->wholeRead_ = false;
  return Status::OK();
}

int64_t SourceFile::readAt(int64_t pos, uint8_t* buffer, size_t length) {
  if (fd_ < 0 || pos < 1) {
    readErrno_ = EBADF;
    return -1;
  }
  // Never past the length seen at Open().
  if (pos - 1 >= size_) return 0;
  length = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(length), size_ - (pos - 1)));
  if (!wholeTried_ && size_ <= kWholeReadLimit) readWhole();
  if (wholeRead_) {
    std::memcpy(buffer, whole_.data() + (pos - 1), length);
    bytesRead_ += static_cast<int64_t>(length);
    return static_cast<int64_t>(length);
  }
  const int64_t got = readFromFile(pos, buffer, length);
  if (got > 0) bytesRead_ += got;
  return got;
}

void SourceFile::readWhole() {
  wholeTried_ = true;
  whole_.resize(static_cast<size_t>(size_));
  wholeRead_ = readFromFile(1, whole_.data(), whole_.size()) == size_;
  if (!wholeRead_) std::vector<uint8_t>().swap(whole_);
  readErrno_ = 0;  // a failure shows again on the read that meets it
}

int64_t SourceFile::readFromFile(int64_t pos, uint8_t* buffer, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, buffer + done, length - done, static_cast<off_t>(pos - 1 + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      readErrno_ = errno;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

Status SourceFile::lastError() const { return CannotRead(path_, ErrnoText(readErrno_)); }

void SourceFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  wholeTried_ = false;
  wholeRead_ = false;
  std::vector<uint8_t>().swap(whole_);
}

}  // namespace kw
