// SPDX-License-Identifier: Apache-2.0
#pragma once
// JobRunner: runs one recovery job on a thread of its own, so the wizard
// stays live however long the job takes.
//
// start() begins the job; its progress reaches the GUI thread as queued
// progressChanged() signals, at most one waiting at a time, and finished()
// arrives, queued, once the job has ended, when result() holds what it found.
// cancel() asks the job to stop: it does at its next yield (a few
// milliseconds), keeping what it found so far, and result().cancelled says
// so. textStats() counts the text the preview shows, on the job's thread.
// Deleting a runner whose job still runs cancels the job and waits for
// it; a finished() not yet delivered is then dropped.
//
// The job's thread runs at a slightly lower priority than the window's
// (Linux), so that the window stays live when the CPU is busy.
//
// A job started without a text sink of its own writes its text into the
// runner's TextSpool instead of JobResult::text (a long text grows much
// faster there): takeText() hands over the job's whole text, spooled or not.

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>

#include "base/text_stats.h"
#include "jobs/job.h"
#include "ui/text_buffer.h"
#include "ui/text_spool.h"

namespace kw::ui {

class JobRunner : public QObject {
  Q_OBJECT
 public:
  explicit JobRunner(JobRequest request, QObject* parent = nullptr);
  ~JobRunner() override;

  void start();
  void cancel();
  bool started() const { return started_; }
  // True from start() until finished() is delivered.
  bool running() const { return running_; }
  const JobRequest& request() const { return request_; }
  JobResult& result() { return result_; }
  const TextStats& textStats() const { return textStats_; }
  // Once finished() has come: the job's text, taken out of the runner (the
  // spool's mapping, else what the engine kept whole).
  TextBuffer takeText();

 signals:
  void progressChanged(int minimum, int maximum, int value);
  void finished();

 private:
  class ThreadProgress;

  JobRequest request_;
  JobResult result_;
  TextBuffer text_;  // written by the job's thread before finished() is posted
  TextStats textStats_;
  std::unique_ptr<ThreadProgress> progress_;
  TextSpool spool_;
  std::thread thread_;
  bool started_ = false;
  bool running_ = false;
};

}  // namespace kw::ui
