// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/entry_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

#include "base/byte_search.h"
#include "base/output_file.h"
#include "base/yield_clock.h"
#include "formats/docx/document_text.h"

namespace kw {

namespace {

// Writes all of `data` to the existing file at `path`, a megabyte at a time
// until `abandon` is set; false on any failure or when abandoned.
bool WriteWorkingFile(const std::string& path, std::string_view data, const std::atomic<bool>& abandon) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool ok = true;
  while (!data.empty()) {
    if (abandon) {
      ok = false;
      break;
    }
    const ssize_t n = ::write(fd, data.data(), std::min<size_t>(data.size(), 1 << 20));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace

bool RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock) {
  if (clock != nullptr) clock->now();
  const std::string path = GetTempFile("sqx");
  // Removed at the end whatever happens: by the guard on return or when the
  // conversion throws (out of memory), by RemovePendingOutputs() on a signal.
  struct Removal {
    std::string path;
    int slot;
    ~Removal() {
      if (!path.empty()) ::unlink(path.c_str());
      UnregisterPendingFile(slot);
    }
  } removal{path, path.empty() ? -1 : RegisterPendingFile(path)};
  // The working file is written beside the conversion: both only read `data`,
  // and a large entry's write costs as much as its conversion. The thread is
  // joined before the removal, also when the conversion throws.
  bool written = false;
  std::atomic<bool> abandon{false};
  std::jthread writer;
  if (!path.empty()) writer = std::jthread([&] { written = WriteWorkingFile(path, data, abandon); });
  job.sRecoveredText = DocumentXmlToText(data, clock);
  if (clock != nullptr && clock->stopped()) {
    job.sRecoveredText.clear();  // cancelled half-way: nothing sound
    abandon = true;
  }
  writer = std::jthread();
  return written;
}

EntryTextSink::EntryTextSink(YieldClock* clock, size_t expectedSize)
    : stream_(clock, expectedSize), path_(GetTempFile("sqx")) {
  if (path_.empty()) return;
  slot_ = RegisterPendingFile(path_);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
}

EntryTextSink::~EntryTextSink() { removeWorkingFile(); }

void EntryTextSink::removeWorkingFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
  if (slot_ >= 0) UnregisterPendingFile(slot_);
  slot_ = -1;
}

bool EntryTextSink::add(std::string_view piece) {
  for (std::string_view rest = piece; fd_ >= 0 && !rest.empty();) {  // a failed write only ends the working file
    const ssize_t n = ::write(fd_, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd_);
      fd_ = -1;
      break;
    }
    rest.remove_prefix(static_cast<size_t>(n));
  }
  stream_.feed(piece);
  return !stream_.needsLiteral();
}

bool EntryTextSink::finish(RecoveryJobState& job) {
  removeWorkingFile();
  if (!stream_.finish()) return false;
  job.sRecoveredText = stream_.takeText();
  return true;
}

void RecoverEntryTextStreamed(RecoveryJobState& job, std::string_view data, YieldClock* clock) {
  constexpr size_t kPiece = 1 << 20;
  {
    EntryTextSink sink(clock, data.size());
    bool fed = true;
    for (size_t at = 0; fed && at < data.size(); at += kPiece) {
      fed = sink.add(data.substr(at, kPiece));
      if (clock != nullptr && clock->stopped()) break;
    }
    if (fed && sink.finish(job)) return;
    if (clock != nullptr && clock->stopped()) {
      job.sRecoveredText.clear();  // cancelled half-way: nothing sound, as RecoverEntryText gives
      return;
    }
  }
  RecoverEntryText(job, data, clock);
}

}  // namespace kw
