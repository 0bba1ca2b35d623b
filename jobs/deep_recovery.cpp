// SPDX-License-Identifier: Apache-2.0
#include "jobs/deep_recovery.h"

#include <algorithm>
#include <cstring>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/deep_doc.h"
#include "formats/doc/head_format.h"
#include "formats/docx/deep_docx.h"
#include "jobs/embedded_documents.h"

namespace kw {

namespace {

constexpr uint8_t kCompoundSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool StartsWithCompoundSignature(SourceFile& file) {
  uint8_t head[sizeof kCompoundSignature] = {};
  return file.readAt(1, head, sizeof head) == static_cast<int64_t>(sizeof head) &&
         std::memcmp(head, kCompoundSignature, sizeof head) == 0;
}

bool FoundCompoundFile(const DamageReport* damage) {
  if (damage == nullptr) return false;
  const auto& entries = damage->entries();
  return std::any_of(entries.begin(), entries.end(), [](const Damage& d) { return d.reader == "cfb"; });
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
  job.sourceIdentity = file.identity();  // the pictures are made again from this file

  std::string text;
  if (StartsWithCompoundSignature(file)) {
    context.format = SourceFormat::kDoc;
    progress.expectPasses(1);
    status = ReadDocDeep(file, &clock, context.damage, &text, context.textSink, &context.pictures);
  } else {
    progress.expectPasses(2);
    status = ReadDocxDeep(file, &clock, context.damage, &text, &context.pictures);
    context.format = SourceFormat::kDocx;
    // No package structure at all: a Word file with a damaged header, or
    // text in some other form, told by its first bytes or else by a compound
    // file the Word reader found behind a damaged signature.
    if (status.isInvalid()) {
      context.format = HeadFormat(file);
      status = ReadDocDeep(file, &clock, context.damage, &text, context.textSink, &context.pictures);
      if (context.format == SourceFormat::kOther && FoundCompoundFile(context.damage)) {
        context.format = SourceFormat::kDoc;
      }
    }
  }
  if (status.ok()) {
    // Embedded documents go to the reader of their kind (embedded_documents.h).
    if (context.format == SourceFormat::kDocx) {
      for (PictureRecord& p : context.pictures) {
        if (p.reader.empty()) p.reader = "docx";
      }
      status = ReadDocxEmbeddings(file, &clock, context.damage, &text, nullptr, &context.pictures);
    } else {
      status = ReadDocPackages(file, &clock, context.damage, &text, context.textSink, &context.pictures);
    }
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
