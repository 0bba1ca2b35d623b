// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/quick_recovery.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/head_format.h"
#include "formats/doc/quick_text.h"
#include "formats/doc/step_scan.h"
#include "formats/doc/text_reserve.h"

namespace kw {

namespace {

constexpr uint8_t kEightEscapes[8] = {kEscapeByte, kEscapeByte, kEscapeByte, kEscapeByte,
                                      kEscapeByte, kEscapeByte, kEscapeByte, kEscapeByte};

// The extraction pass. Appends to job.sRecoveredText and moves the progress
// bar (never past `maximum`, also when the file grew since the count).
Status Extract(SourceFile& file, int32_t maximum, RecoveryJobState& job, JobContext& context, YieldClock& clock) {
  ChunkReader reader(file, job.lCurPos);
  std::vector<char> out(QuickTextRoom(reader.capacity()));
  int64_t steps = 0;
  PassEnd end;
  bool awaitingNext = false;
  while (!end.endMarker && reader.next()) {
    const uint8_t* p = reader.data();
    const uint8_t* const stop = p + reader.size();
    char* o = out.data();
    if (awaitingNext) {
      awaitingNext = false;
      end.lastNext = *p;
      if (*p++ == kEndMarkerByte) {
        end.endMarker = true;
      } else {
        ++steps;  // the 0x25 pair appends nothing
      }
    }
    while (!end.endMarker && p < stop) {
      // "%%" pairs append nothing: eight bytes at a time.
      if (stop - p >= 8 && std::memcmp(p, kEightEscapes, 8) == 0) {
        steps += 4;
        p += 8;
        continue;
      }
      // Everything up to the next escape is one step per byte.
      const size_t run = QuickTranslateRun(p, static_cast<size_t>(stop - p), &o);
      steps += static_cast<int64_t>(run);
      p += run;
      if (p == stop) break;
      end.lastByte = kEscapeByte;
      if (p + 1 == stop) {
        awaitingNext = true;
        end.lastNext = -1;
        p = stop;
        break;
      }
      end.lastNext = p[1];
      if (p[1] == kEndMarkerByte) {
        end.endMarker = true;
        break;
      }
      ++steps;
      p += 2;
    }
    if (reader.size() > 0 && !awaitingNext && !end.endMarker) {
      end.lastByte = stop[-1];
      end.lastNext = -1;
    }
    const std::string_view piece(out.data(), static_cast<size_t>(o - out.data()));
    if (TextSink* sink = context.textSink) {
      // The "\r\n" the text begins with goes first, then each chunk's piece.
      if (!job.sRecoveredText.empty()) sink->write(job.sRecoveredText);
      job.sRecoveredText.clear();
      if (!piece.empty()) sink->write(piece);
    } else {
      job.sRecoveredText.append(piece);
    }
    clock.tick([&] { context.progress.setProgressValue(static_cast<int32_t>(std::min<int64_t>(steps, maximum))); });
    if (clock.stopped()) break;  // cancelled: the text so far stands
  }
  end.steps = static_cast<int32_t>(steps);
  job.lCurPos = static_cast<int32_t>(job.iStartPos + steps);
  RecordLastStep(end, !end.endMarker, job);
  context.progress.setProgressValue(static_cast<int32_t>(std::min<int64_t>(steps, maximum)));
  return reader.status();
}

}  // namespace

Status QuickRecovery(RecoveryJobState& job, JobContext& context) {
  YieldClock clock(context.progress);
  clock.now();
  const std::string path = context.path;
  SourceFile file;
  Status status = SourceFile::Open(path, &file);
  if (!status.ok()) return status;
  context.format = HeadFormat(file);
  job.iStartPos = kQuickStartPos;
  job.lCurPos = kQuickStartPos;

  // Counting pass: the number of steps sets the bar's maximum.
  const PassEnd count = CountSteps(file, job.iStartPos, clock, &status);
  job.lCurPos = job.iStartPos + count.steps;
  RecordLastStep(count, !count.endMarker, job);
  file.close();
  if (!status.ok() || clock.stopped()) return status;
  const int32_t n = count.steps;
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(n);

  job.sRecoveredText = "\r\n";
  // Each step appends at most three bytes (one character as UTF-8).
  if (context.textSink == nullptr) ReserveText(job.sRecoveredText, 2 + 3 * static_cast<size_t>(n));
  job.sCurChar.clear();
  job.lCurPos = job.iStartPos;
  status = SourceFile::Open(path, &file);
  if (!status.ok()) return status;
  status = Extract(file, n, job, context, clock);
  file.close();
  if (TextSink* sink = context.textSink) {
    sink->write(job.sRecoveredText);
    job.sRecoveredText.clear();
  }
  return status;
}

}  // namespace kw
