// SPDX-License-Identifier: Apache-2.0
#include "formats/images/jpeg_carver.h"

#include "base/byte_search.h"
#include "base/file_searcher.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/images/carver_scan.h"
#include "formats/images/image_table.h"
#include "formats/images/jpeg_end_check.h"

namespace kw {

Status CarveJpegs(RecoveryJobState& job, JobContext& context, int64_t* unlisted) {
  const std::string startMarker = MarkerBytes({"&HFF", "&HD8", "&HFF"});
  const std::string endMarker = MarkerBytes({"&HFF", "&HD9"});
  YieldClock clock(context.progress);
  clock.now();
  SourceFile file;
  const Status opened = BeginCarverScan(job, context, &file);
  if (!opened.ok()) return opened;
  const int32_t length = static_cast<int32_t>(file.size());
  FileSearcher searcher(file);
  PendingPairs pending;
  clock.now();

  // The scan ends when a marker is not found: with the bar full, unless a
  // read failed.
  const auto showFull = [&] {
    if (!searcher.failed()) context.progress.setProgressValue(length);
  };
  // S: one more than the start marker's position (its D8); E: the end
  // marker's D9, the picture's last byte.
  int32_t S = -1;
  int32_t E = -1;
  for (int64_t pass = 1;; ++pass) {
    clock.tick();
    if (clock.stopped()) break;
    int64_t blockStart = 0;  // where the first end search read its last block
    if (pass == 1) {
      S = searcher.find(startMarker, 1, nullptr, &clock);
      if (S == -1) {
        showFull();
        break;
      }
      E = searcher.find(endMarker, S, &blockStart, &clock);
    } else {
      S = searcher.find(startMarker, static_cast<int64_t>(E) + 3, nullptr, &clock);
      if (S == -1) {
        showFull();
        break;
      }
      E = searcher.find(endMarker, static_cast<int64_t>(S) + 2, nullptr, &clock);
    }
    if (clock.stopped()) break;  // what the cancelled search had not reached stays unlisted
    if (E == -1) {
      if (!searcher.failed()) ReportNoEnd(context, S - 1, length, "jpeg", "JPEG");
      showFull();
      break;
    }
    uint8_t following[3];
    const int64_t available = searcher.bytesAt(static_cast<int64_t>(E) + 5, following, sizeof following);
    if (available < 0) break;
    if (!JpegEndCheckAccepts(following, static_cast<size_t>(available))) {
      const int32_t next = searcher.find(endMarker, static_cast<int64_t>(E) + 4, nullptr, &clock);
      if (clock.stopped()) break;
      if (next == -1) {
        // No further end marker: the rejected one ends the picture, which
        // is better shown too long than lost.
        if (!searcher.failed()) pending.add(S - 1, E);
        showFull();
        break;
      }
      E = next;
    }
    pending.add(S - 1, E);
    context.progress.setProgressValue(pass == 1 ? static_cast<int32_t>(blockStart) : S);
    clock.tick();
    if (E >= length) break;
  }

  clock.now();
  const int64_t notListed = ListPictures(job, context, pending, PictureRecord::Kind::kJpeg, "GridJ", "jpg");
  if (unlisted != nullptr) *unlisted += notListed;
  if (searcher.failed()) return file.lastError();
  return Status::OK();
}

}  // namespace kw
