// SPDX-License-Identifier: Apache-2.0
#include "ui/file_page.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "ui/local_names.h"

namespace kw::ui {

QString FilePage::PathProblem(const QString& path) {
  if (path.isEmpty()) return {};
  const std::string local = LocalPath(path);
  struct stat info {};
  if (::stat(local.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return tr("There is no file at this path.");
    return tr("This path cannot be read: %1.").arg(QString::fromLocal8Bit(std::strerror(errno)));
  }
  if (S_ISDIR(info.st_mode)) return tr("This is a folder: choose a document inside it.");
  if (!S_ISREG(info.st_mode)) return tr("This is not a regular file.");
  const int fd = ::open(local.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return tr("This file cannot be read: %1.").arg(QString::fromLocal8Bit(std::strerror(errno)));
  ::close(fd);
  if (info.st_size == 0) return tr("This file is empty: there is nothing in it to recover.");
  return {};
}

FilePage::FilePage(QWidget* parent)
    : QWidget(parent),
      txtDocFileName_(new QLineEdit(this)),
      CmdBowse_(new QPushButton(tr("B&rowse..."), this)),
      problem_(new QLabel(this)) {
  auto* prompt = new QLabel(tr("Select corrupt MS Word document file to repair "), this);
  QFont bold = prompt->font();
  bold.setBold(true);
  prompt->setFont(bold);
  txtDocFileName_->setObjectName("txtDocFileName");
  txtDocFileName_->setPlaceholderText(tr("Path of the damaged .doc or .docx file"));
  prompt->setBuddy(txtDocFileName_);
  problem_->setObjectName("LblPathProblem");
  problem_->setWordWrap(true);
  problem_->hide();
  connect(txtDocFileName_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QString problem = PathProblem(text);
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
  });
  txtDocFileName_->setClearButtonEnabled(true);
  CmdBowse_->setObjectName("CmdBowse");
  auto* note = new QLabel(tr("Supports Microsoft Word 6.0, Word 95, Word 97/2000/XP/2003/2007"), this);
  note->setEnabled(false);

  auto* row = new QHBoxLayout;
  row->addWidget(txtDocFileName_, 1);
  row->addWidget(CmdBowse_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addWidget(prompt);
  layout->addSpacing(6);
  layout->addLayout(row);
  layout->addWidget(problem_);
  layout->addSpacing(6);
  layout->addWidget(note);
  layout->addStretch();
}

}  // namespace kw::ui
