// SPDX-License-Identifier: Apache-2.0
#include "jobs/job.h"

#include <sys/stat.h>

#include <new>

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/message_text.h"
#include "formats/doc/quick_recovery.h"
#include "formats/doc/salvage_recovery.h"
#include "formats/docx/docx_recovery.h"
#include "formats/images/image_recovery.h"
#include "jobs/deep_recovery.h"
#include "jobs/job_memory.h"

namespace kw {

namespace {

// Passes everything on to the front end's progress and remembers whether
// the job saw a cancel request, so that only a job that stopped for one is
// called cancelled.
class CancelWatch final : public JobProgress {
 public:
  explicit CancelWatch(JobProgress& inner) : inner_(inner) {}
  void setProgressMin(int32_t v) override { inner_.setProgressMin(v); }
  void setProgressMax(int32_t v) override { inner_.setProgressMax(v); }
  void setProgressValue(int32_t v) override { inner_.setProgressValue(v); }
  void yield() override { inner_.yield(); }
  bool cancelRequested() const override {
    if (!inner_.cancelRequested()) return false;
    seen_ = true;
    return true;
  }
  bool seen() const { return seen_; }

 private:
  JobProgress& inner_;
  mutable bool seen_ = false;
};

Status RunEngine(EngineKind kind, RecoveryJobState& job, JobContext& context) {
  switch (kind) {
    case EngineKind::kQuick: return QuickRecovery(job, context);
    case EngineKind::kSalvage: return SalvageRecovery(job, context);
    case EngineKind::kImages: return ImageRecovery(job, context);
    case EngineKind::kDocx: return DocxRecovery(job, context);
    case EngineKind::kDeep: return DeepRecovery(job, context);
  }
  return Status::OK();
}

}  // namespace

bool ContainsDocx(std::string_view path) { return path.find(".docx") != std::string_view::npos; }

EngineKind ChooseEngine(JobMode mode, std::string_view path) {
  switch (mode) {
    case JobMode::kSalvage: return ContainsDocx(path) ? EngineKind::kDocx : EngineKind::kSalvage;
    case JobMode::kImages: return EngineKind::kImages;
    case JobMode::kDeep: return EngineKind::kDeep;
    case JobMode::kQuick: break;
  }
  return ContainsDocx(path) ? EngineKind::kDocx : EngineKind::kQuick;
}

JobResult RunJob(const JobRequest& request, JobProgress& progress) {
  JobResult result;
  result.engine = ChooseEngine(request.mode, request.path);
  CancelWatch watch(progress);
  // Jobs running side by side (a batch) share one memory budget.
  struct stat st {};
  const int64_t size = ::stat(request.path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  const JobMemory::Ticket memory = JobMemory::Shared().enter(JobMemory::Estimate(size), watch);
  if (!memory.admitted()) {
    result.cancelled = true;
    return result;
  }
  try {
    RecoveryJobState job;
    JobContext context(request.path, watch);
    context.textSink = request.textSink;
    context.damage = &result.damage;
    result.status = RunEngine(result.engine, job, context);
    result.text = std::move(job.sRecoveredText);
    result.pictures = std::move(context.pictures);
    result.notices = std::move(context.notices);
    result.format = context.format;
    result.source = job.sourceIdentity;
  } catch (const std::bad_alloc&) {
    // The one exception the core lets through from the standard library: a
    // job that runs out of memory ends as an error, whatever it was doing.
    result.text.clear();
    result.pictures.clear();
    result.status = Status::IOError("Not enough memory to recover " + Quoted(request.path) +
                                    ": the job was stopped. Close other programs and try again.");
  }
  result.cancelled = watch.seen();
  return result;
}

}  // namespace kw
