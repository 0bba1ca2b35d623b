// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocFrm: the wizard window, the program's only main window.
//
// It leads through five steps, the pages of the tab strip (DocTab): the
// document (step 1), the recovery mode (2), the recovered text (3) and
// pictures (4), and saving (5). It owns the step state machine: which step
// is current and which can be selected, the Back and Next buttons, the file
// choice, starting a job from step 2 and showing its result, restarting
// from the File menu, and closing.
//
// It owns the running job (JobRunner, a thread of its own) from Next on
// step 2 until its result is shown; the status window (DocProgress) only
// shows it. OK on the status window shows the preview step at once, which
// says that the job still runs; the job's result then fills the steps
// without taking the user back from where they went. The preview step and
// the road through the steps come from the job and its result, not from the
// mode boxes: a job that found pictures leads from the text (step 3) to the
// pictures (4) and on to saving (5), and Back goes the same road.
//
// A recovered text or picture list that was not saved is never dropped
// without asking (UnsavedResult): quitting (Close, File > Exit, the title
// bar, the desktop's logout) and starting over with another file (File >
// Open, a dropped file, File > Open Recent) ask first. Enter presses the
// step's default button (Next, or Save on step 5); where Next is switched
// off, a line beside it says why. The pages hold no recovery logic.
//
// doc_frm.cpp holds the window, its menus, files and closing;
// doc_frm_steps.cpp the step machine; doc_frm_job.cpp the job and its
// result.

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>

#include "jobs/job.h"
#include "ui/unsaved_result.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSessionManager;
class QTabWidget;

namespace kw::ui {

class DocProgress;
class FilePage;
class ImagesPage;
class JobRunner;
class ModePage;
class SavePage;
class TextPage;

class DocFrm : public QMainWindow {
  Q_OBJECT
 public:
  explicit DocFrm(QWidget* parent = nullptr);
  ~DocFrm() override;

  // Where "preview.gif" and "Help.chm" are looked for (default: the
  // program's own folder).
  void setProgramDir(const QString& dir) { programDir_ = dir; }
  // Delay of the status window's start timer (default 1000 ms).
  void setJobStartDelay(int ms) { startDelayMs_ = ms; }
  // Fills the file-name box (the program's optional argument).
  void setDocFileName(const QString& path);

  int currentStep() const;
  bool isStepAvailable(int step) const;
  // True from the start of a job until its result is shown.
  bool jobRunning() const { return job_ != nullptr; }
  // The status window of the job that runs now, if any.
  DocProgress* statusWindow() const { return status_.get(); }
  // The result the user has not saved yet.
  const UnsavedResult& unsavedResult() const { return unsaved_; }

  // The file-name box as a path, and the mode checked on step 2.
  std::string sourcePath() const;
  std::optional<JobMode> chosenMode() const;

  // Requests step n (1..5); an unavailable step is not selected.
  void selectStep(int step);
  void setStepAvailable(int step, bool available);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildMenus();
  void fillRecentMenu();
  // Asks before an unsaved result goes; true when it may go (saved or
  // discarded), false when the user kept it.
  bool mayDiscardResult();
  // The desktop's logout: asks like a close does.
  void commitData(QSessionManager& manager);
  // Chooses `path` as a fresh start (a drop, Open Recent).
  void useDocument(const QString& path);
  // Back to step 1 with no mode chosen and no text, as File > Start
  // Document Repair leaves the wizard.
  void restart();
  bool fileChosen() const;
  // Why the document on step 1 cannot be recovered, shown in a message;
  // false when nothing is wrong.
  bool explainFileProblem();
  QString chooseFile();
  void startJob();
  void cancelJob();
  // OK or Cancel before the start timer's tick: no job will run.
  void endBeforeTheStart();
  // What OK on the status window, and the end of every job, do: close the
  // status window and select the preview step of the job. Once named
  // CmdOK_Click.
  void completeJob();
  // The job has ended (or never started): shows its result.
  void jobEnded();
  // The preview step of a job: 3 for text, 4 for pictures.
  static int PreviewStep(const JobRequest& request);
  // Shows preview step `step` (3 or 4), selecting it when `select` is set.
  void showPreview(int step, bool select);
  // The placeholder picture's path: the program folder and "preview.gif".
  QString placeholderPath() const;
  // Next on or off, with the reason shown beside it when off.
  void setNextEnabled(bool enabled, const QString& reason = QString());
  // Next on step 2: on when a mode is chosen and no job runs.
  void updateModeStepNext();
  // Gives the keyboard focus to the current step's first control.
  void focusStep();
  // Makes the window large enough for every page as it is now, as far as
  // the screen allows, and keeps the pages from being squeezed smaller.
  void fitWindow();

  // The event handlers, by the names of the controls and events they
  // answer: the tab strip's page change, Next, Back, File > Start Document
  // Repair, and a click on a mode box.
  void DocTab_TabSelected(int index);
  void CmdNext_Click();
  void CmdBack_Click();
  void mnuOpen_Click();
  void Mode_Click(JobMode mode, bool checked);

  QString programDir_;
  int startDelayMs_;
  std::unique_ptr<JobRunner> job_;       // from Next on step 2 until its result is shown
  std::unique_ptr<DocProgress> status_;  // the job's status window
  bool keepingStep_ = false;             // availability change in progress
  bool fitPending_ = false;              // a fitWindow() is queued
  int okStep_ = 0;                       // the step OK led to while the job ran
  UnsavedResult unsaved_;
  QMetaObject::Connection focusWatch_;

  QTabWidget* steps_;
  FilePage* filePage_;
  ModePage* modePage_;
  TextPage* textPage_;
  ImagesPage* imagesPage_;
  SavePage* savePage_;
  QPushButton* backButton_;
  QPushButton* nextButton_;
  QPushButton* closeButton_;
  QLabel* nextReason_;
  QMenu* recentMenu_ = nullptr;
};

}  // namespace kw::ui
