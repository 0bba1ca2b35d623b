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
#include "formats/docx/docx_writer.h"
#include "ui/local_names.h"
#include "ui/text_view.h"

namespace kw::ui {

namespace {
constexpr char kTextFilter[] = "Text files, UTF-8 (*.txt)";
constexpr char kDocxFilter[] = "Word documents (*.docx)";
}  // namespace

SavePage::SavePage(const TextView* source, std::function<QString()> sourcePath, QWidget* parent)
    : QWidget(parent),
      source_(source),
      sourcePath_(std::move(sourcePath)),
      save_(new QPushButton("Save Recovered Text...", this)),
      result_(new QLabel(this)) {
  auto* heading = new QLabel("Save Document", this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  auto* text = new QLabel(
      "Save the recovered text shown on the preview step as a plain text file (UTF-8) or as a "
      "Word document with one paragraph per line. Recovered pictures are saved on the picture "
      "preview step.",
      this);
  text->setWordWrap(true);
  save_->setObjectName("CmdSaveText");
  result_->setObjectName("LblSaveResult");
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->addWidget(heading);
  layout->addWidget(text);
  layout->addSpacing(10);
  layout->addWidget(save_, 0, Qt::AlignLeft);
  layout->addWidget(result_);
  layout->addStretch();
  connect(save_, &QPushButton::clicked, this, &SavePage::CmdSaveText_Click);
}

void SavePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  save_->setEnabled(!source_->utf8().empty());
  result_->clear();
}

QString SavePage::saveTo(const QString& path) const {
  const std::string_view text = source_->utf8();
  OutputFile::Options options;
  options.sourcePath = LocalPath(sourcePath_());
  options.source = IdentityOf(options.sourcePath);
  const std::string target = LocalPath(path);
  const Status status = path.endsWith(".docx", Qt::CaseInsensitive) ? WriteDocx(target, text, options)
                                                                    : WriteOutputFile(target, text, options);
  return status.ok() ? QString() : QString::fromStdString(status.message());
}

void SavePage::CmdSaveText_Click() {
  const QFileInfo source(sourcePath_());
  const QString folder =
      source.absolutePath().isEmpty() || !source.dir().exists() ? QDir::homePath() : source.absolutePath();
  const QString base = source.completeBaseName().isEmpty() ? "recovered" : source.completeBaseName() + "-recovered";
  QString filter = kTextFilter;
  QString path =
      ChosenPath(QFileDialog::getSaveFileName(this, "Save Recovered Text", QDir(folder).filePath(base + ".txt"),
                                              QString(kTextFilter) + ";;" + kDocxFilter, &filter));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += filter == kDocxFilter ? ".docx" : ".txt";
  const QString error = saveTo(path);
  if (!error.isEmpty()) {
    result_->clear();
    QMessageBox::warning(this, "Save Recovered Text", error);
    return;
  }
  result_->setText(QString("Saved to %1").arg(QDir::toNativeSeparators(path)));
}

}  // namespace kw::ui
