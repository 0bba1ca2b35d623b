// SPDX-License-Identifier: Apache-2.0
#include "ui/images_page.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "formats/images/image_extraction.h"
#include "formats/images/picture_header.h"
#include "ui/damage_summary.h"
#include "ui/icons.h"
#include "ui/local_names.h"
#include "ui/picture_row_delegate.h"
#include "ui/picture_view.h"
#include "ui/result_summary.h"
#include "ui/saved_file_row.h"
#include "ui/thumbnail_loader.h"
#include "ui/user_settings.h"

namespace kw::ui {

namespace {

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// The list's entry for picture n (from 1).
QString EntryText(size_t n, const PictureRecord& picture) {
  return QString("  Image #%1  >     %2|%3|%4|%5")
      .arg(n)
      .arg(picture.firstByte)
      .arg(picture.lastByte)
      .arg(QString::fromStdString(picture.name), QString::fromStdString(picture.ext));
}

// What the list says under an entry once its picture has been looked at.
QString FactsLine(const PictureFacts& facts) {
  const QString bytes = facts.bytes == 1 ? ImagesPage::tr("1 byte") : ImagesPage::tr("%L1 bytes").arg(facts.bytes);
  if (!facts.showable) return ImagesPage::tr("Cannot be shown, %1").arg(bytes);
  const QString type = QString::fromLatin1(facts.format).toUpper();
  if (!facts.size.isValid()) return QString("%1, %2").arg(type, bytes);
  return QString("%1, %2 x %3, %4").arg(type).arg(facts.size.width()).arg(facts.size.height()).arg(bytes);
}

// `folder`/`name`, or `folder`/`name`-2, -3, ... when that is taken.
QString FreeName(const QDir& folder, const QString& base, const QString& ext) {
  QString name = base + "." + ext;
  for (int n = 2; LocalExists(folder.filePath(name)); ++n) name = QString("%1-%2.%3").arg(base).arg(n).arg(ext);
  return folder.filePath(name);
}

}  // namespace

ImagesPage::ImagesPage(QWidget* parent)
    : QWidget(parent),
      list_(new QListWidget(this)),
      found_(new QLabel(tr("Found (0) Images"), this)),
      summary_(new QLabel(this)),
      preview_(new PictureView(this)),
      error_(new QLabel(this)),
      heightH_(new QLabel(tr("Height : "), this)),
      height_(BoldLabel("300", this)),
      widthH_(new QLabel(tr("Width :"), this)),
      width_(BoldLabel("200", this)),
      depthH_(new QLabel(tr("Depth : "), this)),
      depth_(BoldLabel("8", this)),
      save_(new QPushButton(tr("Save &picture..."), this)),
      saveAll_(new QPushButton(tr("Save &all pictures..."), this)),
      saved_(new SavedFileRow(this)),
      damage_(new DamageSummary(this)),
      thumbnails_(new ThumbnailLoader(this)) {
  auto* icon = new QLabel(this);
  icon->setObjectName("ImgICO");
  icon->setPixmap(PictureIcon());
  found_->setObjectName("LblFoundImages");
  summary_->setObjectName("LblPictureSummary");
  list_->setObjectName("LstPicture");
  list_->setIconSize(QSize(ThumbnailLoader::kThumbnailSize, ThumbnailLoader::kThumbnailSize));
  list_->setItemDelegate(new PictureRowDelegate(list_));
  list_->setUniformItemSizes(true);
  // Grid lines between the entries.
  list_->setStyleSheet(
      "QListWidget::item { border-bottom: 1px solid palette(midlight); padding: 2px; }"
      "QListWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }");
  preview_->setObjectName("WebBrowser1");
  error_->setObjectName("LblPreviewError");
  error_->setWordWrap(true);
  QFont bold = error_->font();
  bold.setBold(true);
  error_->setFont(bold);
  error_->hide();
  heightH_->setObjectName("LblHeightH");
  height_->setObjectName("LblHeight");
  widthH_->setObjectName("LblWidthH");
  width_->setObjectName("LblWidth");
  depthH_->setObjectName("LblDepthH");
  depth_->setObjectName("LblDepth");
  for (QLabel* label : {heightH_, height_, widthH_, width_, depthH_, depth_}) label->hide();
  save_->setObjectName("CmdSavePicture");
  saveAll_->setObjectName("CmdSaveAllPictures");

  auto* headingRow = new QHBoxLayout;
  headingRow->addWidget(icon);
  headingRow->addWidget(BoldLabel(tr("Preview Recovered Images"), this));
  headingRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  buttons->addWidget(saveAll_);
  auto* left = new QVBoxLayout;
  left->addLayout(headingRow);
  left->addWidget(found_);
  left->addWidget(summary_);
  left->addWidget(new QLabel(tr("Click Image to Preview"), this));
  left->addWidget(list_, 1);
  left->addLayout(buttons);

  auto* dimensions = new QGridLayout;
  dimensions->addWidget(heightH_, 0, 0);
  dimensions->addWidget(height_, 0, 1);
  dimensions->addWidget(widthH_, 0, 2);
  dimensions->addWidget(width_, 0, 3);
  dimensions->addWidget(depthH_, 0, 4);
  dimensions->addWidget(depth_, 0, 5);
  dimensions->setColumnStretch(6, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(BoldLabel(tr("Preview"), this));
  right->addWidget(preview_, 1);
  right->addWidget(error_);
  right->addLayout(dimensions);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 2);
  columns->addSpacing(10);
  columns->addLayout(right, 3);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->addLayout(columns, 1);
  layout->addWidget(saved_);
  layout->addWidget(damage_);

  connect(list_, &QListWidget::itemClicked, this, &ImagesPage::LstPicture_ListClick);
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    updateButtons();
    if (selectedPicture() != nullptr) showSelected();
  });
  list_->viewport()->installEventFilter(this);
  connect(save_, &QPushButton::clicked, this, &ImagesPage::savePicture);
  connect(saveAll_, &QPushButton::clicked, this, &ImagesPage::saveAllPictures);
  connect(thumbnails_, &ThumbnailLoader::loaded, this, &ImagesPage::showFacts);
  updateButtons();
  updateSummary();
}

void ImagesPage::clearList() {
  thumbnails_->stop();
  selectedAtPress_ = nullptr;
  list_->clear();
  pictures_.reset();
  unshowable_ = 0;
  saved_->clear();
  summary_->clear();
  updateButtons();
}

void ImagesPage::setPictures(std::vector<PictureRecord> pictures, std::string sourcePath, FileIdentity source) {
  clearList();
  pictures_ = std::make_shared<const std::vector<PictureRecord>>(std::move(pictures));
  sourcePath_ = std::move(sourcePath);
  source_ = source;
  static const QIcon icon(PictureIcon());
  for (size_t i = 0; i < pictures_->size(); ++i)
    list_->addItem(new QListWidgetItem(icon, EntryText(i + 1, (*pictures_)[i])));
  updateButtons();
  updateSummary();
  thumbnails_->start(pictures_, sourcePath_, source_);
}

bool ImagesPage::thumbnailsDone() const { return !thumbnails_->running(); }

void ImagesPage::showFacts(int row, const PictureFacts& facts) {
  QListWidgetItem* item = list_->item(row);
  if (item == nullptr) return;
  if (facts.showable) item->setIcon(QIcon(QPixmap::fromImage(facts.thumbnail)));
  item->setData(PictureRowDelegate::kFactsRole, FactsLine(facts));
  if (!facts.showable) ++unshowable_;
  updateSummary();
}

void ImagesPage::updateSummary() {
  summary_->setText(pictures_ ? PictureSummaryLine(static_cast<qsizetype>(pictures_->size()), unshowable_) : QString());
}

void ImagesPage::setFoundImages(const QString& text) { found_->setText(text); }

void ImagesPage::navigate(const QString& path) { preview_->navigate(path); }

const PictureRecord* ImagesPage::selectedPicture() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return nullptr;
  const int row = list_->row(selected.first());
  if (!pictures_ || row < 0 || static_cast<size_t>(row) >= pictures_->size()) return nullptr;
  return &(*pictures_)[static_cast<size_t>(row)];
}

void ImagesPage::updateButtons() {
  save_->setEnabled(selectedPicture() != nullptr);
  saveAll_->setEnabled(pictures_ && !pictures_->empty());
}

bool ImagesPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    selectedAtPress_ = selected.isEmpty() ? nullptr : selected.first();
  }
  return QWidget::eventFilter(watched, event);
}

// A click that changed the selection has been shown already; one on the
// entry that was selected shows it again.
void ImagesPage::LstPicture_ListClick(QListWidgetItem* item) {
  if (item != nullptr && item == selectedAtPress_) showSelected();
}

void ImagesPage::showSelected() {
  const PictureRecord* picture = selectedPicture();
  if (picture == nullptr) {
    showNoPicture(QString());
    return;
  }
  std::string path;
  const Status status = SaveImages(sourcePath_, source_, *picture, &path);
  if (!status.ok()) {
    showNoPicture(QString::fromStdString(status.message()));
    return;
  }
  if (!preview_->navigate(FromLocalPath(path))) {
    showNoPicture(tr("This picture cannot be shown: its data is damaged or incomplete."));
    return;
  }
  error_->hide();
  GetPicInfo(FromLocalPath(path));
}

void ImagesPage::showNoPicture(const QString& reason) {
  preview_->clear();
  for (QLabel* label : {height_, width_, depth_}) label->clear();
  error_->setText(reason);
  error_->setVisible(!reason.isEmpty());
}

void ImagesPage::GetPicInfo(const QString& sPicName) {
  PictureHeader info;
  for (QLabel* label : {heightH_, widthH_, depthH_, height_, width_, depth_}) label->show();
  info.fileName = LocalPath(sPicName);
  info.read();
  const bool known = info.type != 0;
  height_->setText(known ? QString::number(info.height) : QString());
  width_->setText(known ? QString::number(info.width) : QString());
  depth_->setText(known ? QString::number(info.depth) : QString());
}

QString ImagesPage::saveFolder() const {
  const QString folder = RememberedFolder(Folder::kSave);
  return folder.isEmpty() ? QDir::homePath() : folder;
}

void ImagesPage::savePicture() {
  const PictureRecord* picture = selectedPicture();
  if (picture == nullptr) return;
  const QString name = QString::fromStdString(picture->name + "." + picture->ext);
  const QString ext = QString::fromStdString(picture->ext);
  const QString target = ChosenPath(QFileDialog::getSaveFileName(
      this, tr("Save Picture"), QDir(saveFolder()).filePath(name), tr("Pictures (*.%1);;All files (*)").arg(ext)));
  if (target.isEmpty()) return;
  RememberFolder(Folder::kSave, QFileInfo(target).absolutePath());
  // The dialog has asked before replacing a file.
  const Status status = ExtractImage(sourcePath_, source_, *picture, LocalPath(target), /*overwrite=*/true);
  if (!status.ok()) {
    saved_->clear();
    QMessageBox::warning(this, tr("Save Picture"), QString::fromStdString(status.message()));
    return;
  }
  saved_->setSaved(tr("Saved to %1").arg(QDir::toNativeSeparators(target)), target, /*isFolder=*/false);
}

void ImagesPage::saveAllPictures() {
  if (!pictures_ || pictures_->empty()) return;
  const QString folder = ChosenPath(QFileDialog::getExistingDirectory(this, tr("Save All Pictures"), saveFolder()));
  if (folder.isEmpty()) return;
  RememberFolder(Folder::kSave, folder);
  const QDir dir(folder);
  int saved = 0;
  QStringList problems;
  for (const PictureRecord& picture : *pictures_) {
    // Never replaces a file: a name already taken gets a number.
    const QString target = FreeName(dir, QString::fromStdString(picture.name), QString::fromStdString(picture.ext));
    const Status status = ExtractImage(sourcePath_, source_, picture, LocalPath(target), /*overwrite=*/false);
    if (status.ok()) {
      ++saved;
    } else {
      problems << QString("%1.%2: %3")
                      .arg(QString::fromStdString(picture.name), QString::fromStdString(picture.ext),
                           QString::fromStdString(status.message()));
    }
  }
  const QString line = tr("Saved %1 of %2 pictures to \"%3\".").arg(saved).arg(pictures_->size()).arg(folder);
  saved_->setSaved(line, folder, /*isFolder=*/true);
  QString text = line;
  if (!problems.isEmpty()) {
    const int shown = std::min<int>(problems.size(), 10);
    text += "\n\n" + tr("Not saved:") + "\n" + QStringList(problems.mid(0, shown)).join("\n");
    if (problems.size() > shown) text += "\n" + tr("(and %1 more)").arg(problems.size() - shown);
  }
  QMessageBox box(problems.isEmpty() ? QMessageBox::Information : QMessageBox::Warning, tr("Save All Pictures"), text,
                  QMessageBox::Ok, this);
  box.setObjectName("SaveAllResult");
  box.exec();
}

}  // namespace kw::ui
