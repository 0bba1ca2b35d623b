// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/docx_recovery.h"

#include <vector>

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
constexpr size_t kReadPiece = 1 << 20;

enum class Streamed {
  kNo,          // no stored entry, or one that cannot be read: read it whole (which reports why)
  kDone,        // the text is set, or the job was cancelled
  kHandedBack,  // its text needs the literal passes
};

// A stored main document, read a piece at a time into its text.
Streamed StreamStoredEntry(RecoveryJobState& job, SourceFile& file, int64_t headerPos, YieldClock* clock) {
  const std::optional<StoredSpan> span = StoredEntrySpan(file, headerPos);
  if (!span) return Streamed::kNo;
  clock->now();
  EntryTextSink sink(clock, static_cast<size_t>(span->length));
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(span->length, kReadPiece)));
  for (int64_t at = 0; at < span->length;) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(span->length - at, kReadPiece));
    const int64_t got = file.readAt(span->pos + at, buffer.data(), want);
    if (got < 0) return Streamed::kNo;
    if (!sink.add({reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(got)})) {
      return Streamed::kHandedBack;
    }
    clock->tick();
    if (clock->stopped()) return Streamed::kDone;  // cancelled: the text stays as it was
    if (static_cast<size_t>(got) < want) break;    // the file ends sooner than it said
    at += got;
  }
  if (sink.finish(job) || clock->stopped()) return Streamed::kDone;
  return Streamed::kHandedBack;
}

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
  const Streamed streamed = StreamStoredEntry(job, file, headerPos, &clock);
  if (streamed != Streamed::kDone && !clock.stopped()) {
    if (auto data = ReadZipEntry(file, headerPos, &clock, damage); data && !clock.stopped()) {
      clock.now();
      if (streamed == Streamed::kHandedBack) {
        RecoverEntryText(job, *data, &clock);
      } else {
        RecoverEntryTextStreamed(job, *data, &clock);
      }
    }
  }
  file.close();
  clock.now();
  context.progress.setProgressValue(100);
  return Status::OK();
}

}  // namespace kw
