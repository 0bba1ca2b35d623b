// SPDX-License-Identifier: Apache-2.0
#pragma once
// SourceFile: read-only access to the document a job recovers from.
//
// Open() refuses, with a message naming the file and the reason, anything
// that is not a regular file (a folder, a FIFO, a device: it never blocks on
// one) and files of 2 GiB or more, since positions are 32-bit. Reads are
// positional and large, and never go past the length the file had when it
// was opened: a file that grows meanwhile (even one the job's own output is
// appended to) ends where it ended then, and a "regular" file whose length
// reads 0 (/proc/self/pagemap, /proc/kmsg) is empty and never blocks a read.
// A file that shrinks simply reads up to wherever its end now is.
//
// A small file (up to kWholeReadLimit) is read whole at its first read and
// served from memory after that: the readers of a package or a compound file
// ask for many short pieces, and one read instead of a hundred is what makes
// a batch of small files quick. Such a file reads as it was at that first
// read; if that read fails or comes back short, every read goes to the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "base/status.h"

namespace kw {

class SourceFile {
 public:
  static constexpr int64_t kMaxSize = INT32_MAX;  // 2 GiB - 1
  static constexpr int64_t kWholeReadLimit = 256 * 1024;

  SourceFile() = default;
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  SourceFile(SourceFile&& other) noexcept;
  SourceFile& operator=(SourceFile&& other) noexcept;

  // Opens `path`; on failure *file stays closed and the status says why.
  static Status Open(const std::string& path, SourceFile* file);

  bool isOpen() const { return fd_ >= 0; }
  // The length when the file was opened.
  int64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  // Which file is open (its device and inode), to check that a path still names it.
  const FileIdentity& identity() const { return identity_; }
  // The open descriptor, for copies inside the kernel; reads go through readAt().
  int fd() const { return fd_; }

  // Reads up to `length` bytes starting at the 1-based position `pos`.
  // Returns the number of bytes read (fewer only at the end of the file, 0
  // past it), or -1 on a read error (`lastError()` then says which).
  int64_t readAt(int64_t pos, uint8_t* buffer, size_t length);
  // The message for the last failed read.
  Status lastError() const;
  // How many bytes readAt() has handed out since Open(): how far a reader
  // that reads the file about once has come.
  int64_t bytesRead() const { return bytesRead_; }

  void close();

 private:
  // Reads a small file whole into whole_ (see the class comment).
  void readWhole();
  int64_t readFromFile(int64_t pos, uint8_t* buffer, size_t length);

  int fd_ = -1;
  int64_t size_ = 0;
  int64_t bytesRead_ = 0;
  int readErrno_ = 0;
  std::string path_;
  FileIdentity identity_;
  bool wholeTried_ = false;
  bool wholeRead_ = false;
  std::vector<uint8_t> whole_;
};

// "Cannot read "PATH": REASON." — the one form in which file errors reach
// users (control characters in PATH are written out).
Status CannotRead(const std::string& path, const std::string& reason);
// The file at `path` is password-protected (Status::Encrypted).
Status PasswordProtected(const std::string& path);

}  // namespace kw
