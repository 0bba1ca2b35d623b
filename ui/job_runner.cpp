// SPDX-License-Identifier: Apache-2.0
#include "ui/job_runner.h"

#include <QMetaObject>
#include <algorithm>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/resource.h>
#endif

#include "base/text_preview.h"

namespace kw::ui {

// The job's progress as the worker thread sets it, read on the GUI thread.
class JobRunner::ThreadProgress final : public JobProgress {
 public:
  explicit ThreadProgress(JobRunner* runner) : runner_(runner) {}

  void setProgressMin(int32_t v) override { min_ = v; }
  void setProgressMax(int32_t v) override { max_ = v; }
  void setProgressValue(int32_t v) override { value_ = v; }
  // Posts the values to the GUI thread, unless a post is still waiting there.
  void yield() override {
    if (posted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        runner_, [this] { deliver(); }, Qt::QueuedConnection);
  }
  bool cancelRequested() const override { return cancel_; }

  void cancel() { cancel_ = true; }
  // On the GUI thread: the values now.
  void deliver() {
    posted_ = false;
    emit runner_->progressChanged(min_, max_, value_);
  }

 private:
  JobRunner* runner_;
  std::atomic<int32_t> min_{0}, max_{100}, value_{0};
  std::atomic<bool> posted_{false};
  std::atomic<bool> cancel_{false};
};

namespace {

constexpr int kJobNice = 5;

}  // namespace

JobRunner::JobRunner(JobRequest request, QObject* parent)
    : QObject(parent), request_(std::move(request)), progress_(std::make_unique<ThreadProgress>(this)) {}

JobRunner::~JobRunner() {
  progress_->cancel();
  if (thread_.joinable()) thread_.join();
}

TextBuffer JobRunner::takeText() {
  if (running_) return TextBuffer();
  return std::move(text_);
}

void JobRunner::start() {
  if (started_) return;
  started_ = true;
  running_ = true;
  thread_ = std::thread([this] {
#if defined(__linux__)
    // The window's thread comes first when both want the CPU (on Linux the
    // nice value is the calling thread's own).
    ::setpriority(PRIO_PROCESS, 0, kJobNice);
#endif
    JobRequest request = request_;
    if (request.textSink == nullptr) request.textSink = &spool_;
    JobResult result = RunJob(request, *progress_);
    // An engine that keeps its text whole: it follows what was spooled.
    if (spool_.size() > 0 && !result.text.empty()) {
      try {
        spool_.write(result.text);
        result.text.clear();
      } catch (const std::bad_alloc&) {
      }
    }
    // Read by the GUI thread only after finished(), posted below.
    text_ = spool_.size() > 0 ? spool_.take() : TextBuffer(std::exchange(result.text, std::string()));
    const TextStats stats = CountText(PreviewText(text_.bytes()));
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result), stats]() mutable {
          thread_.join();
          result_ = std::move(result);
          textStats_ = stats;
          running_ = false;
          progress_->deliver();
          emit finished();
        },
        Qt::QueuedConnection);
  });
}

void JobRunner::cancel() { progress_->cancel(); }

}  // namespace kw::ui
