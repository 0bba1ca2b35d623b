// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_engines/salvage_recovery.h"

#include <algorithm>
#include <vector>

#include "formats/doc/head_format.h"
#include "formats/doc/text_engines/step_scan.h"

namespace kw {

namespace {

constexpr uint8_t kParagraphMark = 0x0D;
constexpr uint8_t kLineBreak = 0x0B;
constexpr uint8_t kSpace = 0x20;

// The anchor pass: the position of the first 0x20 or 0x0D byte, 0 if none.
int32_t FindAnchor(SourceFile& file, YieldClock& clock, Status* status) {
  ChunkReader reader(file, 1);
  while (reader.next()) {
    const uint8_t* p = reader.data();
    for (size_t i = 0; i < reader.size(); ++i) {
      if (p[i] == kSpace || p[i] == kParagraphMark) {
        return static_cast<int32_t>(reader.position() + static_cast<int64_t>(i));
      }
    }
    clock.tick();
    if (clock.stopped()) return 0;
  }
  *status = reader.status();
  return 0;
}

void FillProgress(JobContext& context) {
  context.progress.setProgressMax(100);
  context.progress.setProgressValue(100);
}

}  // namespace

std::string StripNonAscii(std::string_view text) {
  std::string kept;
  for (const char ch : text) {
    if (static_cast<unsigned char>(ch) < 128) kept += ch;
  }
  return kept;
}

Status CheckByte(int32_t& sByte, SourceFile& file, RecoveryJobState& job, YieldClock& clock) {
  constexpr int32_t kBlock = 64 * 1024;
  std::vector<uint8_t> block(kBlock);
  int32_t p = sByte;
  while (p > 0) {
    const int32_t first = std::max(1, p - kBlock + 1);
    const int64_t want = p - first + 1;
    const int64_t got = file.readAt(first, block.data(), static_cast<size_t>(want));
    if (got < 0) return file.lastError();
    // Bytes past a shrunken end read as nothing; only the bytes read count.
    for (int64_t i = std::min(got, want) - 1; i >= 0; --i) {
      if (block[static_cast<size_t>(i)] == 0x00) {
        sByte = first + static_cast<int32_t>(i);
        job.lTextStart = sByte;
        return Status::OK();
      }
    }
    p = first - 1;
    clock.tick();
    if (clock.stopped()) return Status::OK();
  }
  sByte = 0;
  job.lTextStart = 1;
  return Status::OK();
}

Status SalvageRecovery(RecoveryJobState& job, JobContext& context) {
  YieldClock clock(context.progress);
  const std::string path = context.path;
  SourceFile file;
  Status status = SourceFile::Open(path, &file);
  if (!status.ok()) return status;
  context.format = HeadFormat(file);
  job.iStartPos = 1;
  job.lCurPos = 1;

  // Counting pass, as in Quick Recovery but from the first byte.
  const PassEnd count = CountSteps(file, job.iStartPos, clock, &status);
  job.lCurPos = job.iStartPos + count.steps;
  RecordLastStep(count, !count.endMarker, job);
  if (!status.ok() || clock.stopped()) return status;
  const int32_t n = count.steps;

  // Anchor pass and backward walk.
  job.sCurChar.clear();
  job.lCurPos = FindAnchor(file, clock, &status);
  if (!status.ok() || clock.stopped()) return status;
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(n);
  if (job.lCurPos == 0) {
    // No space and no paragraph mark: there is no text to start from.
    job.sRecoveredText = "\r\n";
    FillProgress(context);
    return Status::OK();
  }
  status = CheckByte(job.lCurPos, file, job, clock);
  if (!status.ok() || clock.stopped()) return status;

  // Extraction pass.
  job.sRecoveredText = "\r\n";
  bool paragraphSeen = false;
  int64_t skipCount = 0;
  job.lCurPos = job.lTextStart;
  StepCursor cursor(file, job.lTextStart);
  uint8_t first = 0;
  int next = -1;
  while (cursor.read(first, next)) {
    job.sCurChar.assign(1, static_cast<char>(next >= 0 ? next : first));
    if (first == kEscapeByte && next == kEndMarkerByte) {
      FillProgress(context);
      return Status::OK();
    }
    switch (first) {
      case kParagraphMark:
        job.sRecoveredText += "\r\n\r\n";
        paragraphSeen = true;
        skipCount = 0;
        break;
      case kLineBreak: job.sRecoveredText += "\r\n"; break;
      case 0x00:
      case kEscapeByte: ++skipCount; break;
      default: job.sRecoveredText += StripNonAscii(job.sCurChar); break;
    }
    if ((job.lCurPos > kSalvageStopFloor && paragraphSeen && skipCount == kSalvageStopRun) ||
        job.lCurPos > kSalvagePositionCap) {
      FillProgress(context);
      return Status::OK();
    }
    ++job.lCurPos;
    clock.tick([&] { context.progress.setProgressValue(std::min(job.lCurPos - job.lTextStart, n)); });
    if (clock.stopped()) return Status::OK();  // cancelled: the text so far stands
  }
  job.sCurChar.clear();
  context.progress.setProgressValue(std::min(job.lCurPos - job.lTextStart, n));
  return cursor.status();
}

}  // namespace kw
