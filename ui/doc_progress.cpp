// SPDX-License-Identifier: Apache-2.0
#include "ui/doc_progress.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/icons.h"
#include "ui/job_runner.h"

namespace kw::ui {

DocProgress::DocProgress(QWidget* owner, JobRequest request, int startDelayMs)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      runner_(new JobRunner(std::move(request), this)),
      Timer1_(new QTimer(this)),
      ProgReadDOC_(new QProgressBar(this)),
      CmdOK_(new QPushButton(tr("OK"), this)),
      CmdCancel_(new QPushButton(tr("&Cancel"), this)) {
  setObjectName("DocProgress");
  setWindowTitle(tr("Document Repair Status"));
  setModal(true);

  Timer1_->setObjectName("Timer1");
  Timer1_->setSingleShot(true);
  Timer1_->setInterval(startDelayMs);
  connect(Timer1_, &QTimer::timeout, this, &DocProgress::Timer1_Timer);

  auto* picture = new QLabel(this);
  picture->setPixmap(AppPixmap(16).scaled(15, 15, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  auto* label = new QLabel(this);
  label->setObjectName("LblStatus");
  label->setTextFormat(Qt::PlainText);
  // The caption as stored reads "&&": one ampersand on screen.
  label->setText(tr("Analyzing document structure &  problem area..."));
  ProgReadDOC_->setObjectName("ProgReadDOC");
  ProgReadDOC_->setTextVisible(true);
  ProgReadDOC_->setRange(0, 100);
  ProgReadDOC_->setValue(0);
  ProgReadDOC_->setMinimumWidth(320);
  CmdOK_->setObjectName("CmdOK");
  CmdOK_->setDefault(true);
  connect(CmdOK_, &QPushButton::clicked, this, &DocProgress::CmdOK_Click);
  CmdCancel_->setObjectName("CmdCancel");
  connect(CmdCancel_, &QPushButton::clicked, this, &DocProgress::cancelJob);
  connect(runner_, &JobRunner::progressChanged, this, &DocProgress::showProgress);
  connect(runner_, &JobRunner::finished, this, &DocProgress::jobEnded);

  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addWidget(label, 1);
  auto* inner = new QVBoxLayout(frame);
  inner->addLayout(top);
  inner->addWidget(ProgReadDOC_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CmdOK_);
  buttons->addWidget(CmdCancel_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

DocProgress::~DocProgress() = default;

void DocProgress::run() {
  Timer1_->start();
  open();
}

bool DocProgress::jobRan() const { return runner_->started(); }
bool DocProgress::jobRunning() const { return runner_->running(); }
const JobRequest& DocProgress::request() const { return runner_->request(); }
JobResult& DocProgress::result() { return runner_->result(); }
const TextStats& DocProgress::textStats() const { return runner_->textStats(); }
TextBuffer DocProgress::takeText() { return runner_->takeText(); }

void DocProgress::Timer1_Timer() { runner_->start(); }

void DocProgress::endWithoutJob() {
  Timer1_->stop();
  closeStatusWindow();
  emit jobEnded();
}

void DocProgress::CmdOK_Click() {
  const bool noJob = !runner_->started();
  if (noJob) Timer1_->stop();
  emit okClicked();
  if (noJob) emit jobEnded();
}

void DocProgress::cancelJob() {
  if (!runner_->started()) {
    if (Timer1_->isActive()) endWithoutJob();
    return;
  }
  CmdCancel_->setEnabled(false);
  runner_->cancel();
}

void DocProgress::showProgress(int minimum, int maximum, int value) {
  ProgReadDOC_->setRange(minimum, maximum);
  ProgReadDOC_->setValue(value);
}

void DocProgress::closeStatusWindow() {
  closing_ = true;
  if (isVisible()) done(QDialog::Accepted);
}

void DocProgress::closeEvent(QCloseEvent* event) {
  if (!closing_) event->ignore();
}

}  // namespace kw::ui
