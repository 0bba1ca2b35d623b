// SPDX-License-Identifier: Apache-2.0
#include "ui/file_page.h"

#include <sys/stat.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "base/source_file.h"
#include "ui/clear_button.h"
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
  if (S_ISREG(info.st_mode) && info.st_size > SourceFile::kMaxSize) {
    return tr("This file is 2 GiB or larger: a recovery reads files of less than 2 GiB.");
  }
  // Everything else a job would refuse, in the job's own words.
  SourceFile file;
  if (const Status status = SourceFile::Open(local, &file); !status.ok()) {
    return QString::fromStdString(status.message());
  }
  if (file.size() == 0) return tr("This file is empty: there is nothing in it to recover.");
  return {};
}

FilePage::FilePage(QWidget* parent)
    : QWidget(parent),
      pathBox_(new QLineEdit(this)),
      browseButton_(new QPushButton(tr("B&rowse..."), this)),
      problemRow_(new QWidget(this)),
      problemText_(new QLabel(problemRow_)) {
  auto* prompt = new QLabel(tr("Select corrupt MS Word &document file to repair "), this);
  QFont bold = prompt->font();
  bold.setBold(true);
  prompt->setFont(bold);
  pathBox_->setObjectName("txtDocFileName");
  pathBox_->setPlaceholderText(tr("Path of the damaged .doc or .docx file"));
  pathBox_->setAccessibleName(tr("Document path"));
  pathBox_->setAccessibleDescription(
      tr("The damaged Word document to recover; type its path or choose it with Browse"));
  prompt->setBuddy(pathBox_);
  pathBox_->setClearButtonEnabled(true);
  NameClearButton(pathBox_);
  browseButton_->setObjectName("CmdBowse");
  browseButton_->setToolTip(tr("Choose the document in a file dialog"));

  auto* icon = new QLabel(problemRow_);
  const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(side, side));
  icon->setAccessibleName(tr("Warning"));
  problemText_->setObjectName("LblPathProblem");
  problemText_->setWordWrap(true);
  problemText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* problemLayout = new QHBoxLayout(problemRow_);
  problemLayout->setContentsMargins(0, 0, 0, 0);
  problemLayout->addWidget(icon, 0, Qt::AlignTop);
  problemLayout->addWidget(problemText_, 1);
  problemRow_->hide();
  connect(pathBox_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QString problem = PathProblem(text);
    problemText_->setText(problem);
    problemRow_->setVisible(!problem.isEmpty());
  });
  auto* note = new QLabel(tr("Supports Microsoft Word 6.0, Word 95, Word 97/2000/XP/2003/2007"), this);
  note->setEnabled(false);

  auto* row = new QHBoxLayout;
  row->addWidget(pathBox_, 1);
  row->addWidget(browseButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addWidget(prompt);
  layout->addSpacing(6);
  layout->addLayout(row);
  layout->addWidget(problemRow_);
  layout->addSpacing(6);
  layout->addWidget(note);
  layout->addStretch();
}

QString FilePage::problem() const { return PathProblem(pathBox_->text()); }

}  // namespace kw::ui
