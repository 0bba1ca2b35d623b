// SPDX-License-Identifier: Apache-2.0
#include "ui/save_page.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/output_file.h"
#include "formats/docx/zip/docx_writer.h"
#include "ui/local_names.h"
#include "ui/saved_file_row.h"
#include "ui/text_view.h"
#include "ui/user_settings.h"

namespace kw::ui {

SavePage::SavePage(const TextView* source, std::function<QString()> sourcePath, QWidget* parent)
    : QWidget(parent),
      source_(source),
      sourcePath_(std::move(sourcePath)),
      save_(new QPushButton(tr("&Save Recovered Text..."), this)),
      result_(new SavedFileRow(this)) {
  auto* heading = new QLabel(tr("Save Document"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  auto* text = new QLabel(tr("Save the recovered text shown on the preview step as a plain text file (UTF-8) or as a "
                             "Word document with one paragraph per line. Recovered pictures are saved on the picture "
                             "preview step."),
                          this);
  text->setWordWrap(true);
  save_->setObjectName("CmdSaveText");
  save_->setDefault(true);
  save_->setToolTip(tr("Write the recovered text to a file you choose"));
  result_->label()->setObjectName("LblSaveResult");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->addWidget(heading);
  layout->addWidget(text);
  layout->addSpacing(10);
  layout->addWidget(save_, 0, Qt::AlignLeft);
  layout->addWidget(result_);
  layout->addStretch();
  connect(save_, &QPushButton::clicked, this, &SavePage::saveText);
}

void SavePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  save_->setEnabled(canSave());
  result_->clear();
}

bool SavePage::canSave() const { return !source_->utf8().empty(); }

QString SavePage::saveTo(const QString& path) const {
  const std::string_view text = source_->utf8();
  OutputFile::Options options;
  options.sourcePath = LocalPath(sourcePath_());
  options.source = IdentityOf(options.sourcePath);
  const std::string target = LocalPath(path);
  const Status status =
      NamesWordDocument(target) ? WriteDocx(target, text, options) : WriteOutputFile(target, text, options);
  return status.ok() ? QString() : QString::fromStdString(status.message());
}

bool SavePage::saveText() {
  if (!canSave()) return false;
  const QFileInfo source(sourcePath_());
  QString folder = RememberedFolder(Folder::kSave);
  if (folder.isEmpty()) {
    folder = !source.isAbsolute() || !source.dir().exists() ? QDir::homePath() : source.absolutePath();
  }
  const QString base = source.completeBaseName().isEmpty() ? "recovered" : source.completeBaseName() + "-recovered";
  const QString textFilter = tr("Text files, UTF-8 (*.txt)");
  const QString docxFilter = tr("Word documents (*.docx)");
  QString filter = textFilter;
  QString path = ChosenPath(QFileDialog::getSaveFileName(
      this, tr("Save Recovered Text"), QDir(folder).filePath(base + ".txt"), textFilter + ";;" + docxFilter, &filter));
  if (path.isEmpty()) return false;
  if (QFileInfo(path).suffix().isEmpty()) path += filter == docxFilter ? ".docx" : ".txt";
  RememberFolder(Folder::kSave, QFileInfo(path).absolutePath());
  const QString error = saveTo(path);
  if (!error.isEmpty()) {
    result_->clear();
    QMessageBox::warning(this, tr("Save Recovered Text"), error);
    return false;
  }
  result_->setSaved(tr("Saved to %1").arg(QDir::toNativeSeparators(path)), path, /*isFolder=*/false);
  emit textSaved();
  return true;
}

}  // namespace kw::ui
