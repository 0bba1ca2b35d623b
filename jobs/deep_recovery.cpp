// SPDX-License-Identifier: Apache-2.0
#include "jobs/deep_recovery.h"

#include <algorithm>
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

// The progress of Deep Recovery: the bytes its readers have read of the
// source, against one pass over a compound file or two over a package (its
// headers are scanned first, then its entries read), shown at every yield.
// A damaged file can take more reads than that; the bar then waits at the
// last step until the job ends.
class ReadProgress final : public JobProgress {
 public:
  static constexpr int32_t kSteps = 1000;

  ReadProgress(JobProgress& inner, const SourceFile& file) : inner_(inner), file_(file) {}
  void expectPasses(int passes) { expected_ = std::max<int64_t>(1, file_.size() * passes); }
  void yield() override {
    const int64_t done = std::min(file_.bytesRead() * kSteps / expected_, int64_t{kSteps - 1});
    inner_.setProgressValue(static_cast<int32_t>(done));
    inner_.yield();
  }
  bool cancelRequested() const override { return inner_.cancelRequested(); }

 private:
  JobProgress& inner_;
  const SourceFile& file_;
  int64_t expected_ = 1;
};

}  // namespace

Status DeepRecovery(RecoveryJobState& job, JobContext& context) {
  context.progress.setProgressMin(0);
  context.progress.setProgressMax(ReadProgress::kSteps);
  context.progress.setProgressValue(0);
  SourceFile file;
  ReadProgress progress(context.progress, file);
  YieldClock clock(progress);
  clock.now();
  Status status = SourceFile::Open(context.path, &file);
  if (!status.ok()) return status;

  std::string text;
  if (StartsWithCompoundSignature(file)) {
    progress.expectPasses(1);
    status = ReadDocDeep(file, &clock, context.damage, &text, context.textSink);
  } else {
    progress.expectPasses(2);
    status = ReadDocxDeep(file, &clock, context.damage, &text, &context.pictures);
    // No package structure at all: a Word file with a damaged header, or
    // text in some other form.
    if (status.isInvalid()) status = ReadDocDeep(file, &clock, context.damage, &text, context.textSink);
  }
  context.progress.setProgressValue(ReadProgress::kSteps);
  if (!status.ok()) return status;
  if (context.textSink != nullptr) {
    context.textSink->write(text);
  } else {
    job.sRecoveredText = std::move(text);
  }
  return Status::OK();
}

}  // namespace kw
