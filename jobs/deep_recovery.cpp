// SPDX-License-Identifier: Apache-2.0
#include "jobs/deep_recovery.h"

#include <cstring>

#include "base/source_file.h"
#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/deep_doc.h"
#include "formats/docx/deep_docx.h"

namespace kw {

namespace {

constexpr uint8_t kCompoundSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool StartsWithCompoundSignature(SourceFile& file) {
  uint8_t head[sizeof kCompoundSignature] = {};
  return file.readAt(1, head, sizeof head) == static_cast<int64_t>(sizeof head) &&
         std::memcmp(head, kCompoundSignature, sizeof head) == 0;
}

}  // namespace

Status DeepRecovery(RecoveryJobState& job, JobContext& context) {
  YieldClock clock(context.progress);
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(100);
  context.progress.setProgressValue(0);
  clock.now();
  SourceFile file;
  Status status = SourceFile::Open(context.path, &file);
  if (!status.ok()) return status;
  job.sourceIdentity = file.identity();  // the pictures are made again from this file

  std::string text;
  if (StartsWithCompoundSignature(file)) {
    status = ReadDocDeep(file, &clock, context.damage, &text, context.textSink);
  } else {
    status = ReadDocxDeep(file, &clock, context.damage, &text, &context.pictures);
    // No package structure at all: a Word file with a damaged header, or
    // text in some other form.
    if (status.isInvalid()) status = ReadDocDeep(file, &clock, context.damage, &text, context.textSink);
  }
  context.progress.setProgressValue(100);
  if (!status.ok()) return status;
  if (context.textSink != nullptr) {
    context.textSink->write(text);
  } else {
    job.sRecoveredText = std::move(text);
  }
  return Status::OK();
}

}  // namespace kw
