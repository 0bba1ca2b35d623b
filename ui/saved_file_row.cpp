// SPDX-License-Identifier: Apache-2.0
#include "ui/saved_file_row.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace kw::ui {

SavedFileRow::SavedFileRow(QWidget* parent)
    : QWidget(parent),
      label_(new QLabel(this)),
      open_(new QPushButton(tr("&Open"), this)),
      show_(new QPushButton(tr("Show in fo&lder"), this)) {
  open_->setToolTip(tr("Open the saved file in the program your desktop chooses for it"));
  show_->setToolTip(tr("Open the folder that holds what was saved"));
  label_->setWordWrap(true);
  label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  open_->setObjectName("CmdOpenSaved");
  show_->setObjectName("CmdShowSaved");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_, 1);
  layout->addWidget(open_);
  layout->addWidget(show_);
  connect(open_, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(path_)); });
  connect(show_, &QPushButton::clicked, this, [this] {
    const QString folder = isFolder_ ? path_ : QFileInfo(path_).absolutePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  });
  clear();
}

void SavedFileRow::setSaved(const QString& text, const QString& path, bool isFolder) {
  label_->setText(text);
  path_ = path;
  isFolder_ = isFolder;
  open_->setVisible(!isFolder);
  show();
}

void SavedFileRow::clear() {
  label_->clear();
  path_.clear();
  hide();
}

}  // namespace kw::ui
