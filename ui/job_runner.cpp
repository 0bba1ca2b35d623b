// SPDX-License-Identifier: Apache-2.0
#include "ui/job_runner.h"

#include <QMetaObject>

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

JobRunner::JobRunner(JobRequest request, QObject* parent)
    : QObject(parent), request_(std::move(request)), progress_(std::make_unique<ThreadProgress>(this)) {}

JobRunner::~JobRunner() {
  progress_->cancel();
  if (thread_.joinable()) thread_.join();
}

void JobRunner::start() {
  if (started_) return;
  started_ = true;
  running_ = true;
  thread_ = std::thread([this] {
    JobResult result = RunJob(request_, *progress_);
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result)]() mutable {
          thread_.join();
          result_ = std::move(result);
          running_ = false;
          progress_->deliver();
          emit finished();
        },
        Qt::QueuedConnection);
  });
}

void JobRunner::cancel() { progress_->cancel(); }

}  // namespace kw::ui
