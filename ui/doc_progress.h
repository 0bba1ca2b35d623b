#pragma once
// DocProgress: the status window "Document Repair Status" in which one
// recovery job runs.
//
// run() switches on the one-shot timer Timer1 and shows the window modally
// over the wizard; it returns when the window has closed and, if the job
// started, after the job has ended. The job runs on the GUI thread inside
// the timer's single tick and yields to the event loop by time, so the
// window repaints, ProgReadDOC moves and OK (CmdOK) stays live. OK closes
// the window and selects the preview step at once; before the first tick it
// also means that no job runs. The window has no close, minimise or
// maximise button and ignores Escape. A job never starts twice. The job's
// readers report what they skipped or cut into this window's own damage
// report, empty as each window (one per job) is made.

#include <QDialog>
#include <memory>

#include "base/damage_report.h"
#include "base/job_host.h"
#include "base/job_state.h"
#include "base/status.h"
#include "jobs/job_controller.h"

class QProgressBar;
class QPushButton;
class QTimer;

namespace kw::ui {

class DocProgress : public QDialog, public StatusWindow {
  Q_OBJECT
 public:
  static constexpr int kDefaultStartDelayMs = 1000;

  DocProgress(QWidget* owner, RecoveryJobState& job, WizardInputs& inputs, WizardView& view, const QString& programDir,
              int startDelayMs = kDefaultStartDelayMs);
  ~DocProgress() override;

  int run();
  // Whether the job ran, and how it ended (not OK: the source could not be read).
  bool jobRan() const { return ran_; }
  const Status& jobStatus() const { return status_; }
  const DamageReport& damage() const { return damage_; }

  // StatusWindow.
  void setProgressMin(int32_t value) override;
  void setProgressMax(int32_t value) override;
  void setProgressValue(int32_t value) override;
  void yield() override;
  void closeStatusWindow() override;

  void reject() override {}  // Escape does not close the window

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Host;

  void Timer1_Timer();
  void CmdOK_Click();

  DamageReport damage_;
  std::unique_ptr<Host> host_;
  JobController controller_;
  QTimer* Timer1_;
  QProgressBar* ProgReadDOC_;
  QPushButton* CmdOK_;
  bool closing_ = false;
  bool ran_ = false;
  Status status_;
};

}  // namespace kw::ui
