// SPDX-License-Identifier: Apache-2.0
#include "ui/file_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kw::ui {

FilePage::FilePage(QWidget* parent)
    : QWidget(parent), txtDocFileName_(new QLineEdit(this)), CmdBowse_(new QPushButton("Browse...", this)) {
  auto* prompt = new QLabel("Select corrupt MS Word document file to repair ", this);
  QFont bold = prompt->font();
  bold.setBold(true);
  prompt->setFont(bold);
  txtDocFileName_->setObjectName("txtDocFileName");
  txtDocFileName_->setPlaceholderText("Path of the damaged .doc or .docx file");
  txtDocFileName_->setClearButtonEnabled(true);
  CmdBowse_->setObjectName("CmdBowse");
  auto* note = new QLabel("Supports Microsoft Word 6.0, Word 95, Word 97/2000/XP/2003/2007", this);
  note->setEnabled(false);

  auto* row = new QHBoxLayout;
  row->addWidget(txtDocFileName_, 1);
  row->addWidget(CmdBowse_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addWidget(prompt);
  layout->addSpacing(6);
  layout->addLayout(row);
  layout->addSpacing(6);
  layout->addWidget(note);
  layout->addStretch();
}

}  // namespace kw::ui
