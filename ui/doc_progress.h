// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocProgress: the status window "Document Repair Status" of one recovery
// job.
//
// run() shows the window, modal over the wizard, and switches on the
// one-shot timer Timer1, whose tick starts the job on a thread of its own
// (JobRunner): the window never waits for it, ProgReadDOC follows its
// progress, and OK (CmdOK) and Cancel (CmdCancel) stay live. OK closes the
// window and asks for the preview step at once (okClicked()); the job runs
// on and still hands over its result. Cancel stops the job within a
// fraction of a second; what it found so far is handed over, marked
// cancelled. jobEnded() comes once the job has ended, or at once when OK or
// Cancel was pressed before the first tick (no job runs then). The window
// has no close, minimise or maximise button and ignores Escape. Deleting it
// while the job runs stops the job and waits for it.

#include <QDialog>

#include "base/text_stats.h"
#include "jobs/job.h"
#include "ui/text_buffer.h"

class QProgressBar;
class QPushButton;
class QTimer;

namespace kw::ui {

class JobRunner;

class DocProgress : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kDefaultStartDelayMs = 1000;

  DocProgress(QWidget* owner, JobRequest request, int startDelayMs = kDefaultStartDelayMs);
  ~DocProgress() override;

  void run();
  // Whether the job started, and whether it still runs.
  bool jobRan() const;
  bool jobRunning() const;
  const JobRequest& request() const;
  // The job's result once jobEnded() has come (empty when no job ran).
  JobResult& result();
  // Paragraphs and characters of the text the preview shows.
  const TextStats& textStats() const;
  // Once jobEnded() has come: the job's whole text, taken out (JobRunner).
  TextBuffer takeText();
  // Cancel, whether or not the window is shown.
  void cancelJob();
  // Closes the window; the job, if any, runs on.
  void closeStatusWindow();

  void reject() override {}  // Escape does not close the window

 signals:
  void okClicked();
  void jobEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Timer1_Timer();
  void CmdOK_Click();
  void showProgress(int minimum, int maximum, int value);
  // Before the first tick: no job will run.
  void endWithoutJob();

  JobRunner* runner_;
  QTimer* Timer1_;
  QProgressBar* ProgReadDOC_;
  QPushButton* CmdOK_;
  QPushButton* CmdCancel_;
  bool closing_ = false;
};

}  // namespace kw::ui
