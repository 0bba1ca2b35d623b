// SPDX-License-Identifier: Apache-2.0
#pragma once
// BatchOutDir: OUTDIR, held open for the whole batch, and the folders below
// it, each opened (and made when missing) from OUTDIR down without following
// a link.
//
// OUTDIR itself is found through the path the user gave (links in that path
// are the user's own). Below it, a link or anything else that is not a
// folder where a folder is needed stops that file's outputs with an error
// naming it, and is left as it is: nothing is ever written through a link.
//
// A batch holds OUTDIR's lock (the hidden file ".kwrecover-batch.lock",
// removed at the end) from before it looks into OUTDIR until it ends, so a
// second batch into the same folder is refused. The texts and pictures are
// written through OutputFile, named in their own open folder, and flushed to
// disk once, at the end (sync()).

#include <string>

#include "base/status.h"

namespace kw::cli {

// The lock file inside OUTDIR.
inline constexpr char kBatchLockName[] = ".kwrecover-batch.lock";

// Why a file inside OUTDIR could not be opened without following a link
// (`error` from open): ELOOP says that it is a link.
std::string OpenErrorText(int error);

// An open file descriptor, closed with its owner.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

class BatchOutDir {
 public:
  enum class Opened { kOk, kLocked, kFailed };

  BatchOutDir() = default;
  ~BatchOutDir();  // removes the lock
  BatchOutDir(const BatchOutDir&) = delete;
  BatchOutDir& operator=(const BatchOutDir&) = delete;

  // Makes OUTDIR when missing, opens it and takes its lock. kLocked: another
  // batch holds it; kFailed: *error says why.
  Opened open(const std::string& path, Status* error);

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }

  // Whether OUTDIR holds anything but the lock.
  bool empty() const;

  // Opens the folder `relative` below OUTDIR ("" for OUTDIR), one name at a
  // time, making those that are missing when `make` is set. Without `make` a
  // missing folder is an error too (ENOENT in *missing when given).
  Status openFolder(const std::string& relative, bool make, UniqueFd* folder, bool* missing = nullptr) const;

  // Removes the temporary files that a killed run left in OUTDIR and below
  // (hidden ".kwrecover-*.tmp" regular files; links are not followed).
  // Safe only while the lock is held: no other batch writes there.
  void removeLeftovers() const;

  // Flushes everything written to disk; false when the system reported an error.
  bool sync() const;

 private:
  UniqueFd fd_;
  UniqueFd lock_;
  std::string path_;
};

}  // namespace kw::cli
