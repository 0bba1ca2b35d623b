// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocFrm: the wizard window, the program's only main window.
//
// It leads through five steps, the pages of the tab strip DocTab: the
// document (step 1), the recovery mode (2), the recovered text (3) or
// pictures (4), and saving (5). It owns the step state machine: which step
// is current and which can be selected, the captions and states of CmdBack
// and CmdNext, the file choice, starting a job from step 2 (in the modal
// status window DocProgress, which runs it on a thread of its own) and
// showing its result, restarting from the File menu, and closing without
// confirmation; a close while a job runs stops the job first. It turns a
// job's result into what the wizard shows: the steps, "Found (n) Images",
// the placeholder picture, the picture list, the text, notices and errors.
// After a job, the preview step it leads to shows a summary of what the
// job's readers skipped or cut. After OK has closed the status window the
// user may move on; the job's result then fills the steps without taking
// the user back. A file dropped on the window, or picked from File > Open
// Recent, starts afresh as File > Start Document Repair does. The pages
// hold no recovery logic.

#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "jobs/job.h"
#include "ui/mode_page.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;

namespace kw::ui {

class DocProgress;
class FilePage;
class ImagesPage;
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
  bool jobRunning() const { return status_ != nullptr; }
  // The status window of the job that runs now, if any.
  DocProgress* statusWindow() const { return status_.get(); }

  // Reads the picture's header and shows its height, width and depth.
  void GetPicInfo(const QString& sPicName);

  // The file-name box (txtDocFileName) as a path, and the mode boxes.
  std::string sourcePath() const;
  int optQuickMode() const;
  int optImageMode() const;
  int optSalvageMode() const;
  int optDeepMode() const;
  // The job the mode boxes ask for: Salvage before Image before Deep before Quick.
  JobMode chosenMode() const;

  // Requests step n (1..5) of DocTab; an unavailable step is not selected.
  void selectStep(int step);
  void setStepAvailable(int step, bool available);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildMenus();
  void fillRecentMenu();
  // Chooses `path` as a fresh start (a drop, Open Recent).
  void useDocument(const QString& path);
  // Back to step 1 with no mode chosen and no text, as File > Start
  // Document Repair leaves the wizard.
  void restart();
  bool fileChosen() const;
  void showNoFileMessage();
  void chooseFile();
  void startJob();
  // What OK on the status window, and the end of every job, do: close the
  // status window and select the preview step of the chosen mode.
  // Once named CmdOK_Click.
  void completeJob();
  // Closes the job's status window, giving the keyboard back to the wizard.
  void closeStatusWindow(DocProgress& status);
  // The job has ended (or never started): shows its result.
  void jobEnded();
  // Shows the preview step of the chosen mode's result, selecting it when
  // `select` is set.
  void showPreview(bool select);
  // The placeholder picture's path: the program folder and "preview.gif".
  QString placeholderPath() const;
  // Gives the keyboard focus to the current step's first control.
  void focusStep();

  void DocTab_TabSelected(int index);
  void CmdNext_Click();
  void CmdBack_Click();
  void mnuOpen_Click();
  void Mode_Click(Mode mode, bool checked);

  QString programDir_;
  int startDelayMs_;
  std::unique_ptr<DocProgress> status_;  // while a job runs
  bool keepingStep_ = false;             // availability change in progress
  int okStep_ = 0;                       // the step OK led to while the job ran
  QMetaObject::Connection focusWatch_;

  QTabWidget* DocTab_;
  FilePage* filePage_;
  ModePage* modePage_;
  TextPage* textPage_;
  ImagesPage* imagesPage_;
  SavePage* savePage_;
  QPushButton* CmdBack_;
  QPushButton* CmdNext_;
  QPushButton* CmdClose_;
  QMenu* recentMenu_ = nullptr;
};

}  // namespace kw::ui
