// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/entry_text.h"

#include "base/yield_clock.h"
#include "formats/docx/text/document_text.h"

namespace kw {

void RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock) {
  if (clock != nullptr) clock->now();
  job.sRecoveredText = DocumentXmlToText(data, clock);
  if (clock != nullptr && clock->stopped()) job.sRecoveredText.clear();  // cancelled half-way: nothing sound
}

bool EntryTextSink::add(std::string_view piece) {
  stream_.feed(piece);
  return !stream_.needsLiteral();
}

bool EntryTextSink::finish(RecoveryJobState& job) {
  if (!stream_.finish()) return false;
  job.sRecoveredText = stream_.takeText();
  return true;
}

}  // namespace kw
