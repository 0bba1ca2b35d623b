// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/docx_recovery.h"

#include "base/damage_report.h"
#include "base/file_searcher.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/docx/entry_text.h"
#include "formats/docx/zip_entry_reader.h"

namespace kw {

namespace {
constexpr std::string_view kMainDocumentName = "word/document";
// FindInFile's result is one past the name's first byte; the local header's
// fixed part (30 bytes) comes before the name.
constexpr int32_t kNameToHeader = 31;
}  // namespace

Status DocxRecovery(RecoveryJobState& job, JobContext& context) {
  YieldClock clock(context.progress);
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(100);
  context.progress.setProgressValue(0);
  clock.now();

  const std::string path = context.path;
  SourceFile file;
  const Status opened = SourceFile::Open(path, &file);
  if (!opened.ok()) return opened;

  // The search reads the file already open: the same file, bounded by the same length.
  const int32_t found = FileSearcher(file).find(kMainDocumentName, 1, nullptr, &clock);
  const int64_t headerPos = found < 0 ? -1 : int64_t{found} - kNameToHeader;
  if (headerPos >= 1) context.format = SourceFormat::kDocx;
  clock.now();
  if (clock.stopped()) return Status::OK();
  context.progress.setProgressValue(25);
  context.progress.setProgressValue(50);

  DamageReport* damage = context.damage;
  if (headerPos < 1 && damage != nullptr) {
    damage->add(0, file.size(), "docx",
                found < 0 ? "No entry named \"word/document\" was found: no text was read."
                          : "The name \"word/document\" lies too near the start to follow a local header: "
                            "no text was read.");
  }
  // The entry goes through the streaming pass as it is read or inflated.
  bool handedBack = false;
  {
    EntryTextSink sink(&clock);
    const EntryOutcome outcome = StreamZipEntry(file, headerPos, sink, &clock, damage);
    if (!clock.stopped()) {
      handedBack = outcome == EntryOutcome::kStopped || (outcome == EntryOutcome::kRead && !sink.finish(job));
    }
  }
  // Where the text depends on the whole document (tags that merge, a head
  // cut decided late), the entry is read again through a stream that follows
  // the literal passes all the way; it reports what reading the whole entry
  // reports.
  if (handedBack && !clock.stopped()) {
    EntryTextSink sink(&clock, 0, true);
    if (StreamZipEntry(file, headerPos, sink, &clock, damage) == EntryOutcome::kRead) sink.finish(job);
  }
  file.close();
  clock.now();
  context.progress.setProgressValue(100);
  return Status::OK();
}

}  // namespace kw
