// SPDX-License-Identifier: Apache-2.0
#pragma once
// RecoverEntryText: the main document entry's bytes become the job's text.
//
// The bytes are kept, exactly, in a new working file in the user's temporary
// folder whose name begins with "sqx" while the text is made; the file is
// removed before this returns (also on an error, and on a signal through
// RemovePendingOutputs()). The text is made in memory from the same bytes and
// replaces job.sRecoveredText also when no working file could be made or
// written: the text must reach the user either way.

#include <string>
#include <string_view>

#include "base/job_state.h"
#include "formats/docx/document_stream.h"

namespace kw {

class YieldClock;

// Returns whether the working file could be made and written.
bool RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock = nullptr);

// The same, as the entry's bytes arrive: each piece is written to the
// working file and goes through DocumentTextStream, so that neither the
// entry nor a copy of it is ever held whole. Where the stream hands the
// document back (document_stream.h), finish() says so and the caller takes
// RecoverEntryText on the whole entry instead.
class EntryTextSink {
 public:
  explicit EntryTextSink(YieldClock* clock, size_t expectedSize = 0);
  ~EntryTextSink();
  EntryTextSink(const EntryTextSink&) = delete;
  EntryTextSink& operator=(const EntryTextSink&) = delete;

  // False once more bytes would be wasted: the literal passes are needed or the job was cancelled.
  bool add(std::string_view piece);
  // After the last piece: true when job.sRecoveredText was set. The working file is removed.
  bool finish(RecoveryJobState& job);

 private:
  void removeWorkingFile();

  DocumentTextStream stream_;
  std::string path_;
  int slot_ = -1;
  int fd_ = -1;
};

// RecoverEntryText through an EntryTextSink, fed the entry in pieces; the
// literal passes only where the stream hands the document back.
void RecoverEntryTextStreamed(RecoveryJobState& job, std::string_view data, YieldClock* clock = nullptr);

}  // namespace kw
