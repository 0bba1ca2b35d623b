// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocProgress: the status window "Document Repair Status" of one recovery
// job. It is the window only: the wizard owns the job and tells the window
// its progress.
//
// run() shows the window, modal over the wizard, and switches on the
// one-shot start timer (Timer1), whose tick asks for the job to start
// (startRequested()). The progress bar (ProgReadDOC) follows showProgress().
// OK (CmdOK) closes the window and shows the preview step at once while the
// job runs on (okClicked()). Cancel (CmdCancel), Escape and the title bar's
// close button all mean Cancel (cancelClicked()); the window then waits for
// the job to stop, which takes a fraction of a second. The window has no
// minimise or maximise button.

#include <QDialog>

class QProgressBar;
class QPushButton;
class QTimer;

namespace kw::ui {

class DocProgress : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kDefaultStartDelayMs = 1000;

  explicit DocProgress(QWidget* owner, int startDelayMs = kDefaultStartDelayMs);

  void run();
  // True once the start timer has fired.
  bool started() const { return started_; }
  // Before the first tick: no job will be asked for.
  void stopStartTimer();
  void showProgress(int minimum, int maximum, int value);
  // After Cancel: the button stays off until the job has stopped.
  void showCancelling();
  // Closes the window; the job, if any, runs on.
  void closeStatusWindow();

  // Escape means Cancel.
  void reject() override;

 signals:
  void startRequested();
  void okClicked();
  void cancelClicked();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The start timer's tick, and what OK does: the names the window has
  // always had for them.
  void Timer1_Timer();
  void CmdOK_Click();

  QTimer* startTimer_;
  QProgressBar* progressBar_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  bool started_ = false;
  bool closing_ = false;
};

}  // namespace kw::ui
