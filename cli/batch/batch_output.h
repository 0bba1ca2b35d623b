// SPDX-License-Identifier: Apache-2.0
#pragma once
// BatchTextFile: one text output of a batch, written so that its final name
// exists only once it is complete, and never over anything already there.
//
// write() puts the bytes in "<destination>.tmp" (created or, when an
// interrupted run left one, truncated; never through a link), registered for
// removal if the process is stopped by a signal. commit() gives it its final
// name only when nothing has that name yet. A file neither committed nor
// kept is removed by the destructor.
//
// Unlike OutputFile there is no fsync per file: a batch writes thousands of
// small files and syncs them once, at the end (SyncOutputs). After a system
// crash (not a stopped process), a text renamed in the last seconds may be
// empty; --resume redoes empty texts for that reason.

#include <string>
#include <string_view>

#include "base/status.h"

namespace kw::cli {

class BatchTextFile {
 public:
  BatchTextFile() = default;
  ~BatchTextFile();
  BatchTextFile(const BatchTextFile&) = delete;
  BatchTextFile& operator=(const BatchTextFile&) = delete;

  Status write(const std::string& destination, std::string_view bytes);
  Status commit();

 private:
  void removeTemp();

  std::string destination_;
  std::string temp_;
  int slot_ = -1;
};

// Flushes everything written under `dir` to disk (the file system's whole
// cache, once). False when the file system reported an error.
bool SyncOutputs(const std::string& dir);

}  // namespace kw::cli
