// SPDX-License-Identifier: Apache-2.0
#pragma once
// RecoverEntryText: the main document entry's bytes become the job's text
// (job.sRecoveredText), made in memory; a cancelled job leaves it empty.
// No working file and no thread: the text is all the result there is.

#include <string>
#include <string_view>

#include "base/job_state.h"
#include "formats/docx/document_stream.h"
#include "formats/docx/zip_entry_reader.h"

namespace kw {

class YieldClock;

void RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock = nullptr);

// The same, as the entry's bytes arrive: each piece goes through
// DocumentTextStream, so that neither the entry nor a copy of it is ever
// held whole. Where the stream hands the
// document back (document_stream.h), finish() says so and the caller takes
// RecoverEntryText on the whole entry instead.
class EntryTextSink : public EntryConsumer {
 public:
  // `everyRound`: see DocumentTextStream.
  explicit EntryTextSink(YieldClock* clock, size_t expectedSize = 0, bool everyRound = false)
      : stream_(clock, expectedSize, everyRound) {}
  EntryTextSink(const EntryTextSink&) = delete;
  EntryTextSink& operator=(const EntryTextSink&) = delete;

  void expect(uint64_t size) override { stream_.reserve(static_cast<size_t>(size)); }
  // False once more bytes would be wasted: the literal passes are needed or the job was cancelled.
  bool add(std::string_view piece) override;
  // After the last piece: true when job.sRecoveredText was set.
  bool finish(RecoveryJobState& job);

 private:
  DocumentTextStream stream_;
};

}  // namespace kw
