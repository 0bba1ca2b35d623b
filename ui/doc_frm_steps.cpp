// SPDX-License-Identifier: Apache-2.0
// DocFrm's step machine: which step is current and can be selected, the
// step-entry rules, Next and Back, the mode boxes' clicks and Enter.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "ui/doc_frm.h"
#include "ui/file_page.h"
#include "ui/local_names.h"
#include "ui/mode_page.h"
#include "ui/save_page.h"

namespace kw::ui {

int DocFrm::currentStep() const { return steps_->currentIndex() + 1; }

bool DocFrm::isStepAvailable(int step) const { return steps_->isTabEnabled(step - 1); }

bool DocFrm::fileChosen() const { return !filePage_->pathBox()->text().isEmpty(); }

std::string DocFrm::sourcePath() const { return LocalPath(filePage_->pathBox()->text()); }

std::optional<JobMode> DocFrm::chosenMode() const { return modePage_->chosen(); }

void DocFrm::selectStep(int step) {
  if (step < 1 || step > 5 || !isStepAvailable(step) || step == currentStep()) return;
  steps_->setCurrentIndex(step - 1);
}

void DocFrm::setStepAvailable(int step, bool available) {
  if (step < 1 || step > 5) return;
  // The tab strip moves away from a current tab that is switched off; the
  // wizard's current step stays where it is.
  const int current = steps_->currentIndex();
  keepingStep_ = true;
  steps_->setTabEnabled(step - 1, available);
  if (steps_->currentIndex() != current) steps_->setCurrentIndex(current);
  keepingStep_ = false;
}

void DocFrm::updateModeStepNext() {
  if (job_ != nullptr) {
    setNextEnabled(false, tr("The recovery started before still runs: its result appears when it ends."));
  } else {
    setNextEnabled(chosenMode().has_value(), tr("Choose a recovery mode to go on."));
  }
}

void DocFrm::setNextEnabled(bool enabled, const QString& reason) {
  nextButton_->setEnabled(enabled);
  nextReason_->setText(enabled ? QString() : reason);
  nextButton_->setToolTip(enabled || reason.isEmpty() ? tr("Go on to the next step") : reason);
}

bool DocFrm::explainFileProblem() {
  const QString problem = filePage_->problem();
  if (problem.isEmpty()) return false;
  QMessageBox box(QMessageBox::Warning, tr("Select Word Document"),
                  tr("This document cannot be recovered:\n%1").arg(problem), QMessageBox::Ok, this);
  box.setObjectName("FileProblemMessage");
  box.exec();
  return true;
}

namespace {
void ShowNoFileMessage(QWidget* parent) {
  QMessageBox box(QMessageBox::Information, DocFrm::tr("Select Word Document"),
                  DocFrm::tr("Please select a Word document and select Next to proceed."), QMessageBox::Ok, parent);
  box.setObjectName("NoFileMessage");
  box.exec();
}
}  // namespace

// Step-entry rules: they run whenever the current step changes.
void DocFrm::DocTab_TabSelected(int index) {
  if (keepingStep_) return;
  // The last step has its own button, Save; Next has nowhere to go there.
  if (index + 1 != 5) nextButton_->show();
  switch (index + 1) {
    case 1:
      backButton_->setEnabled(false);
      if (fileChosen()) setNextEnabled(true);
      break;
    case 2:
      if (!fileChosen()) {
        ShowNoFileMessage(this);
        selectStep(1);
        backButton_->setEnabled(false);
      } else if (explainFileProblem()) {
        selectStep(1);
        backButton_->setEnabled(false);
      } else {
        backButton_->setEnabled(true);
        updateModeStepNext();
      }
      break;
    case 3:
    case 4: setNextEnabled(true); break;
    case 5:
      setNextEnabled(false);
      nextButton_->hide();
      break;
  }
}

void DocFrm::CmdNext_Click() {
  switch (currentStep()) {
    case 1:
      backButton_->setEnabled(false);
      if (!fileChosen()) {
        ShowNoFileMessage(this);
        selectStep(1);
        backButton_->setEnabled(false);
      } else if (!explainFileProblem()) {
        // Image Recovery is offered for Word 97-2003 files only.
        modePage_->offerImageMode(!ContainsDocx(sourcePath()));
        selectStep(2);
      } else {
        filePage_->pathBox()->setFocus();
      }
      break;
    case 2: startJob(); break;
    // From the text to the pictures when the job found any, then to saving.
    case 3: selectStep(isStepAvailable(4) ? 4 : 5); break;
    case 4: selectStep(5); break;
    default: break;
  }
}

void DocFrm::CmdBack_Click() {
  const auto toModes = [this] {
    selectStep(2);
    if (job_ == nullptr) setNextEnabled(true);
  };
  switch (currentStep()) {
    case 2:
      backButton_->setEnabled(false);
      selectStep(1);
      break;
    case 3: toModes(); break;
    // The road the job's result led along, backwards.
    case 4:
      if (isStepAvailable(3)) {
        selectStep(3);
      } else {
        toModes();
      }
      break;
    case 5: selectStep(isStepAvailable(4) ? 4 : 3); break;
    default: break;
  }
}

void DocFrm::focusStep() {
  QWidget* page = steps_->currentWidget();
  for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
  steps_->tabBar()->setFocus(Qt::TabFocusReason);
}

void DocFrm::Mode_Click(JobMode mode, bool checked) {
  if (!checked) {
    setNextEnabled(false, tr("Choose a recovery mode to go on."));
    return;
  }
  updateModeStepNext();
  if (mode == JobMode::kImages) {
    setStepAvailable(4, true);
    setStepAvailable(3, false);
  } else {
    setStepAvailable(4, false);
    setStepAvailable(3, true);
  }
}

void DocFrm::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  // Enter presses the step's default button.
  QPushButton* button = currentStep() == 5 ? savePage_->saveButton() : nextButton_;
  if (button->isVisible() && button->isEnabled()) button->click();
  event->accept();
}

}  // namespace kw::ui
