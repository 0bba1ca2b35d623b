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

namespace kw::ui {

DocProgress::DocProgress(QWidget* owner, int startDelayMs)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      startTimer_(new QTimer(this)),
      progressBar_(new QProgressBar(this)),
      okButton_(new QPushButton(tr("&OK"), this)),
      cancelButton_(new QPushButton(tr("Canc&el"), this)) {
  setObjectName("DocProgress");
  setWindowTitle(tr("Document Repair Status"));
  setModal(true);

  startTimer_->setObjectName("Timer1");
  startTimer_->setSingleShot(true);
  startTimer_->setInterval(startDelayMs);
  connect(startTimer_, &QTimer::timeout, this, &DocProgress::Timer1_Timer);

  auto* picture = new QLabel(this);
  picture->setPixmap(AppPixmap(16).scaled(15, 15, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  picture->setAccessibleName(tr("Program icon"));
  auto* label = new QLabel(this);
  label->setObjectName("LblStatus");
  label->setTextFormat(Qt::PlainText);
  // The caption as stored reads "&&": one ampersand on screen.
  label->setText(tr("Analyzing document structure &  problem area..."));
  progressBar_->setObjectName("ProgReadDOC");
  progressBar_->setTextVisible(true);
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  progressBar_->setMinimumWidth(320);
  progressBar_->setAccessibleName(tr("Recovery progress"));
  progressBar_->setAccessibleDescription(tr("How much of the document has been read"));
  okButton_->setObjectName("CmdOK");
  okButton_->setDefault(true);
  okButton_->setToolTip(tr("Close this window and show the preview step; the recovery goes on"));
  connect(okButton_, &QPushButton::clicked, this, &DocProgress::CmdOK_Click);
  cancelButton_->setObjectName("CmdCancel");
  cancelButton_->setToolTip(tr("Stop the recovery and show what was found so far"));
  connect(cancelButton_, &QPushButton::clicked, this, &DocProgress::cancelClicked);

  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addWidget(label, 1);
  auto* inner = new QVBoxLayout(frame);
  inner->addLayout(top);
  inner->addWidget(progressBar_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void DocProgress::run() {
  startTimer_->start();
  open();
}

void DocProgress::Timer1_Timer() {
  started_ = true;
  emit startRequested();
}

void DocProgress::stopStartTimer() { startTimer_->stop(); }

void DocProgress::CmdOK_Click() { emit okClicked(); }

void DocProgress::reject() { emit cancelClicked(); }

void DocProgress::showProgress(int minimum, int maximum, int value) {
  progressBar_->setRange(minimum, maximum);
  progressBar_->setValue(value);
}

void DocProgress::showCancelling() { cancelButton_->setEnabled(false); }

void DocProgress::closeStatusWindow() {
  closing_ = true;
  if (isVisible()) done(QDialog::Accepted);
}

void DocProgress::closeEvent(QCloseEvent* event) {
  if (closing_) return;
  // The title bar's close button: Cancel. The window closes once the job has stopped.
  event->ignore();
  emit cancelClicked();
}

}  // namespace kw::ui
