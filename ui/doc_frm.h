#pragma once
// DocFrm: the wizard window, the program's only main window.
//
// It leads through five steps, the pages of the tab strip DocTab: the
// document (step 1), the recovery mode (2), the recovered text (3) or
// pictures (4), and saving (5). It owns the step state machine: which step
// is current and which can be selected, the captions and states of CmdBack
// and CmdNext, the file choice, starting a job from step 2 (in the modal
// status window DocProgress) and showing its result, restarting from the
// File menu, and closing without confirmation; a close while a job runs
// ends the process at once. It also owns the recovery job state and is the
// job's view of the wizard: the engines read the file name and the mode
// boxes from it whenever they need them, and report steps, pictures and
// notices to it. After a job, the preview step it leads to shows a summary
// of what the job's readers skipped or cut. The pages hold no recovery
// logic.

#include <QMainWindow>
#include <QStringList>

#include "base/job_host.h"
#include "base/job_state.h"
#include "ui/mode_page.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kw::ui {

class FilePage;
class ImagesPage;
class SavePage;
class TextPage;

class DocFrm : public QMainWindow, public WizardInputs, public WizardView {
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

  RecoveryJobState& job() { return job_; }
  int currentStep() const;
  bool isStepAvailable(int step) const;
  bool jobRunning() const { return jobRunning_; }

  // Reads the picture's header and shows its height, width and depth.
  void GetPicInfo(const QString& sPicName);

  // WizardInputs.
  std::string sourcePath() const override;
  int optQuickMode() const override;
  int optImageMode() const override;
  int optSalvageMode() const override;

  // WizardView.
  void selectStep(int step) override;
  void setStepAvailable(int step, bool available) override;
  void setFoundImagesLabel(const std::string& text) override;
  void navigatePreview(const std::string& path) override;
  void addPictureEntry(const std::string& text) override;
  void showNotice(const std::string& text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  bool fileChosen() const;
  void showNoFileMessage();
  void chooseFile();
  void startJob();
  // Gives the keyboard focus to the current step's first control.
  void focusStep();

  void DocTab_TabSelected(int index);
  void CmdNext_Click();
  void CmdBack_Click();
  void mnuOpen_Click();
  void Mode_Click(Mode mode, bool checked);

  RecoveryJobState job_;
  QString programDir_;
  int startDelayMs_;
  bool jobRunning_ = false;
  bool keepingStep_ = false;  // availability change in progress
  QStringList notices_;
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
};

}  // namespace kw::ui
