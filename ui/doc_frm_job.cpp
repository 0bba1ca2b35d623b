// SPDX-License-Identifier: Apache-2.0
// DocFrm and the job it runs: starting it from step 2 with its status
// window, OK and Cancel, and showing its result when it ends.
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include "ui/app_info.h"
#include "ui/damage_summary.h"
#include "ui/doc_frm.h"
#include "ui/doc_progress.h"
#include "ui/file_page.h"
#include "ui/images_page.h"
#include "ui/job_runner.h"
#include "ui/local_names.h"
#include "ui/mode_page.h"
#include "ui/pending_note.h"
#include "ui/result_summary.h"
#include "ui/text_page.h"
#include "ui/text_view.h"
#include "ui/user_settings.h"

namespace kw::ui {

void DocFrm::startJob() {
  if (job_ != nullptr) return;  // the job started earlier still runs (OK closed its window)
  backButton_->setEnabled(true);
  imagesPage_->clearList();
  textPage_->damageSummary()->clear();
  imagesPage_->damageSummary()->clear();
  textPage_->setSummary(QString());
  okStep_ = 0;
  job_ = std::make_unique<JobRunner>(JobRequest{sourcePath(), chosenMode().value_or(JobMode::kQuick)});
  status_ = std::make_unique<DocProgress>(this, startDelayMs_);
  connect(job_.get(), &JobRunner::finished, this, &DocFrm::jobEnded, Qt::QueuedConnection);
  connect(job_.get(), &JobRunner::progressChanged, status_.get(), &DocProgress::showProgress);
  connect(status_.get(), &DocProgress::startRequested, job_.get(), &JobRunner::start);
  connect(status_.get(), &DocProgress::okClicked, this, &DocFrm::completeJob);
  connect(status_.get(), &DocProgress::cancelClicked, this, &DocFrm::cancelJob);
  status_->run();
}

void DocFrm::cancelJob() {
  if (job_ == nullptr) return;
  if (!job_->started()) {
    endBeforeTheStart();
    return;
  }
  status_->showCancelling();
  job_->cancel();
}

void DocFrm::endBeforeTheStart() {
  status_->stopStartTimer();
  status_->closeStatusWindow();
  // From the event loop: the status window, whose signal led here, goes then.
  QMetaObject::invokeMethod(this, &DocFrm::jobEnded, Qt::QueuedConnection);
}

int DocFrm::PreviewStep(const JobRequest& request) {
  return ChooseEngine(request.mode, request.path) == EngineKind::kImages ? 4 : 3;
}

QString DocFrm::placeholderPath() const { return QDir(programDir_).filePath("preview.gif"); }

void DocFrm::completeJob() {
  if (job_ == nullptr) return;
  if (!job_->started()) {
    // OK before the first tick: no job runs; what was there stays.
    endBeforeTheStart();
    return;
  }
  const bool shown = status_->isVisible();
  status_->closeStatusWindow();
  // Not every platform hands the keys back to the wizard when its modal
  // window goes.
  if (shown) activateWindow();
  showPreview(PreviewStep(job_->request()), /*select=*/true);
  // Where the user is now, to know later whether they have moved on.
  okStep_ = currentStep();
  textPage_->pendingNote()->show();
  imagesPage_->pendingNote()->show();
}

void DocFrm::showPreview(int step, bool select) {
  if (step == 4) {
    imagesPage_->setFoundImages(tr("Found (%1) Images").arg(imagesPage_->pictureCount()));
    if (QFileInfo(placeholderPath()).isFile()) imagesPage_->showPlaceholder(placeholderPath());
  }
  if (select) selectStep(step);
}

void DocFrm::jobEnded() {
  if (job_ == nullptr) return;  // the job was stopped by closing the wizard
  const std::unique_ptr<JobRunner> job = std::move(job_);
  const std::unique_ptr<DocProgress> status = std::move(status_);
  const bool shown = status->isVisible();
  status->closeStatusWindow();
  if (shown) activateWindow();
  textPage_->pendingNote()->hide();
  imagesPage_->pendingNote()->hide();
  // After OK the user may have gone to another step: the result is filled
  // in, but the wizard stays where they are.
  const bool movedOn = okStep_ != 0 && currentStep() != okStep_;
  okStep_ = 0;
  const bool ran = job->started();
  JobResult& result = job->result();
  const bool pictureJob = PreviewStep(job->request()) == 4;
  const size_t pictures = result.pictures.size();
  if (ran) {
    // The preview steps come from what the job gave: text, pictures or both.
    setStepAvailable(4, pictureJob || pictures > 0);
    setStepAvailable(3, !pictureJob);
  }
  imagesPage_->setPictures(std::move(result.pictures), job->request().path, result.source);
  if (ran && (pictureJob || pictures > 0)) imagesPage_->setFoundImages(tr("Found (%1) Images").arg(pictures));
  if (!movedOn) showPreview(PreviewStep(job->request()), /*select=*/true);
  if (currentStep() == 2) updateModeStepNext();
  textPage_->fill(job->takeText());
  const bool hasText = !textPage_->textView()->utf8().empty();
  textPage_->showSalvageHint(ran && result.engine == EngineKind::kQuick);
  if (ran && !pictureJob) textPage_->setSummary(TextSummaryLine(job->textStats(), pictures));
  DamageSummary* damageShown = pictureJob ? imagesPage_->damageSummary() : textPage_->damageSummary();
  damageShown->setReport(result.damage, result.cancelled);
  const QString document = FromLocalPath(job->request().path);
  if (ran) unsaved_.set(document, hasText, pictures > 0);
  if (ran && result.status.ok()) AddRecentFile(document);
  if (!movedOn) {
    // The keys go to what the user will read.
    if (currentStep() == 3) textPage_->textView()->setFocus(Qt::OtherFocusReason);
    if (currentStep() == 4) imagesPage_->pictureList()->setFocus(Qt::OtherFocusReason);
  }
  if (ran && !result.status.ok()) {
    QMessageBox box(QMessageBox::Warning, kWindowTitle, QString::fromStdString(result.status.message()),
                    QMessageBox::Ok, this);
    box.setObjectName("JobError");
    box.exec();
  }
  for (const std::string& notice : result.notices) {
    QMessageBox box(QMessageBox::Information, kWindowTitle, QString::fromStdString(notice), QMessageBox::Ok, this);
    box.setObjectName("JobNotice");
    box.exec();
  }
}

}  // namespace kw::ui
