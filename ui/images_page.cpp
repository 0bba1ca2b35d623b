// SPDX-License-Identifier: Apache-2.0
#include "ui/images_page.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "formats/images/image_extraction.h"
#include "formats/images/picture_header.h"
#include "ui/damage_summary.h"
#include "ui/icons.h"
#include "ui/local_names.h"
#include "ui/pending_note.h"
#include "ui/picture_row_delegate.h"
#include "ui/picture_view.h"
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

// The name a person understands: a package part's own name, or where in the
// file a carved picture was found.
QString PictureName(size_t n, const PictureRecord& picture) {
  if (picture.hasBytes) return QString::fromStdString(picture.name + "." + picture.ext);
  return ImagesPage::tr("Picture %1, at byte %L2").arg(n).arg(static_cast<qlonglong>(picture.firstByte - 1));
}

// What the list says under a row once its picture has been looked at.
QString FactsLine(const PictureFacts& facts) {
  const QString bytes = facts.bytes == 1 ? ImagesPage::tr("1 byte") : ImagesPage::tr("%L1 bytes").arg(facts.bytes);
  if (!facts.showable) return ImagesPage::tr("Cannot be shown, %1").arg(bytes);
  const QString type = QString::fromLatin1(facts.format).toUpper();
  if (!facts.size.isValid()) return ImagesPage::tr("%1, %2").arg(type, bytes);
  return ImagesPage::tr("%1, %2 x %3, %4").arg(type).arg(facts.size.width()).arg(facts.size.height()).arg(bytes);
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
      pending_(new PendingNote(this)),
      preview_(new PictureView(this)),
      error_(new QLabel(this)),
      dimensions_(new QWidget(this)),
      height_(BoldLabel("300", dimensions_)),
      width_(BoldLabel("200", dimensions_)),
      depth_(BoldLabel("8", dimensions_)),
      save_(new QPushButton(tr("Sa&ve picture..."), this)),
      saveAll_(new QPushButton(tr("Save &all pictures..."), this)),
      savedRow_(new SavedFileRow(this)),
      damage_(new DamageSummary(this)),
      thumbnails_(new ThumbnailLoader(this)) {
  auto* icon = new QLabel(this);
  icon->setObjectName("ImgICO");
  icon->setPixmap(PictureIcon());
  icon->setAccessibleName(tr("Pictures"));
  found_->setObjectName("LblFoundImages");
  summary_->setObjectName("LblPictureSummary");
  list_->setObjectName("LstPicture");
  list_->setAccessibleName(tr("Recovered pictures"));
  list_->setAccessibleDescription(tr("One row per picture found: its name, type and size"));
  list_->setItemDelegate(new PictureRowDelegate(list_));
  list_->setUniformItemSizes(true);
  preview_->setObjectName("WebBrowser1");
  preview_->setAccessibleName(tr("Picture preview"));
  preview_->setAccessibleDescription(tr("The selected picture, made smaller when it does not fit"));
  error_->setObjectName("LblPreviewError");
  error_->setWordWrap(true);
  QFont bold = error_->font();
  bold.setBold(true);
  error_->setFont(bold);
  error_->hide();
  auto* heightH = new QLabel(tr("Height : "), dimensions_);
  auto* widthH = new QLabel(tr("Width :"), dimensions_);
  auto* depthH = new QLabel(tr("Depth : "), dimensions_);
  heightH->setObjectName("LblHeightH");
  height_->setObjectName("LblHeight");
  widthH->setObjectName("LblWidthH");
  width_->setObjectName("LblWidth");
  depthH->setObjectName("LblDepthH");
  depth_->setObjectName("LblDepth");
  auto* dimensions = new QGridLayout(dimensions_);
  dimensions->setContentsMargins(0, 0, 0, 0);
  dimensions->addWidget(heightH, 0, 0);
  dimensions->addWidget(height_, 0, 1);
  dimensions->addWidget(widthH, 0, 2);
  dimensions->addWidget(width_, 0, 3);
  dimensions->addWidget(depthH, 0, 4);
  dimensions->addWidget(depth_, 0, 5);
  dimensions->setColumnStretch(6, 1);
  dimensions_->hide();
  save_->setObjectName("CmdSavePicture");
  save_->setToolTip(tr("Save the selected picture to a file"));
  saveAll_->setObjectName("CmdSaveAllPictures");
  saveAll_->setToolTip(tr("Save every picture into a folder"));

  auto* headingRow = new QHBoxLayout;
  headingRow->addWidget(icon);
  headingRow->addWidget(BoldLabel(tr("Preview Recovered Images"), this));
  headingRow->addStretch();
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(found_);
  countRow->addWidget(summary_);
  countRow->addStretch();
  auto* hint = new QLabel(tr("Clic&k Image to Preview"), this);
  hint->setBuddy(list_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  buttons->addWidget(saveAll_);
  auto* left = new QVBoxLayout;
  left->addLayout(headingRow);
  left->addLayout(countRow);
  left->addWidget(hint);
  left->addWidget(list_, 1);
  left->addLayout(buttons);

  auto* right = new QVBoxLayout;
  right->addWidget(BoldLabel(tr("Preview"), this));
  right->addWidget(preview_, 1);
  right->addWidget(error_);
  right->addWidget(dimensions_);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 2);
  columns->addSpacing(10);
  columns->addLayout(right, 3);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->addWidget(pending_);
  layout->addLayout(columns, 1);
  layout->addWidget(savedRow_);
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
  saved_.clear();
  copies_.clear();
  unshowable_ = 0;
  savedRow_->clear();
  updateButtons();
  updateSummary();
}

void ImagesPage::setPictures(std::vector<PictureRecord> pictures, std::string sourcePath, FileIdentity source) {
  clearList();
  pictures_ = std::make_shared<const std::vector<PictureRecord>>(std::move(pictures));
  saved_.assign(pictures_->size(), false);
  sourcePath_ = std::move(sourcePath);
  source_ = source;
  static const QIcon icon(PictureIcon());
  for (size_t i = 0; i < pictures_->size(); ++i) {
    const PictureRecord& picture = (*pictures_)[i];
    auto* item = new QListWidgetItem(icon, PictureName(i + 1, picture));
    const QString record = QString::fromStdString(PictureRowText(i + 1, picture));
    item->setData(PictureRowDelegate::kRecordRole, record);
    item->setToolTip(record);
    item->setData(Qt::AccessibleDescriptionRole, record);
    item->setData(Qt::AccessibleTextRole, item->text());
    list_->addItem(item);
  }
  updateButtons();
  updateSummary();
  thumbnails_->start(pictures_, sourcePath_, source_, devicePixelRatioF());
  // The preview is never blank while there are pictures.
  if (!pictures_->empty()) list_->setCurrentRow(0);
}

int ImagesPage::pictureCount() const { return pictures_ ? static_cast<int>(pictures_->size()) : 0; }

bool ImagesPage::thumbnailsDone() const { return !thumbnails_->running(); }

void ImagesPage::showFacts(int row, const PictureFacts& facts) {
  QListWidgetItem* item = list_->item(row);
  if (item == nullptr) return;
  if (facts.showable) item->setIcon(QIcon(QPixmap::fromImage(facts.thumbnail)));
  const QString line = FactsLine(facts);
  item->setData(PictureRowDelegate::kFactsRole, line);
  // A screen reader says what the row shows.
  item->setData(Qt::AccessibleTextRole, tr("%1: %2").arg(item->text(), line));
  if (!facts.showable) ++unshowable_;
  updateSummary();
}

void ImagesPage::updateSummary() {
  summary_->setText(unshowable_ == 0   ? QString()
                    : unshowable_ == 1 ? tr("(1 cannot be shown)")
                                       : tr("(%L1 cannot be shown)").arg(unshowable_));
}

void ImagesPage::setFoundImages(const QString& text) { found_->setText(text); }

void ImagesPage::showPlaceholder(const QString& path) {
  if (selectedPicture() == nullptr) preview_->navigate(path);
}

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
// row that was selected shows it again.
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
  const Status status =
      copies_.copyOf(static_cast<size_t>(picture - pictures_->data()), *picture, sourcePath_, source_, &path);
  if (!status.ok()) {
    showNoPicture(QString::fromStdString(status.message()));
    return;
  }
  if (!preview_->navigate(FromLocalPath(path))) {
    showNoPicture(tr("This picture cannot be shown: its data is damaged or incomplete."));
    return;
  }
  error_->hide();
  showPictureInfo(FromLocalPath(path));
}

void ImagesPage::showNoPicture(const QString& reason) {
  preview_->clear();
  showDimensions(false);
  error_->setText(reason);
  error_->setVisible(!reason.isEmpty());
}

void ImagesPage::showDimensions(bool shown) {
  if (!shown) {
    for (QLabel* label : {height_, width_, depth_}) label->clear();
  }
  dimensions_->setVisible(shown);
}

void ImagesPage::showPictureInfo(const QString& path) {
  PictureHeader info;
  info.fileName = LocalPath(path);
  info.read();
  const bool known = info.type != 0;
  if (known) {
    height_->setText(QString::number(info.height));
    width_->setText(QString::number(info.width));
    depth_->setText(QString::number(info.depth));
  }
  showDimensions(known);
}

QString ImagesPage::saveFolder() const {
  const QString folder = RememberedFolder(Folder::kSave);
  return folder.isEmpty() ? QDir::homePath() : folder;
}

void ImagesPage::markSaved(size_t index) {
  if (index >= saved_.size() || saved_[index]) return;
  saved_[index] = true;
  if (std::all_of(saved_.begin(), saved_.end(), [](bool s) { return s; })) emit allPicturesSaved();
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
    savedRow_->clear();
    QMessageBox::warning(this, tr("Save Picture"), QString::fromStdString(status.message()));
    return;
  }
  savedRow_->setSaved(tr("Saved to %1").arg(QDir::toNativeSeparators(target)), target, /*isFolder=*/false);
  markSaved(static_cast<size_t>(picture - pictures_->data()));
}

bool ImagesPage::saveAllPictures() {
  if (!pictures_ || pictures_->empty()) return true;
  const QString folder = ChosenPath(QFileDialog::getExistingDirectory(this, tr("Save All Pictures"), saveFolder()));
  if (folder.isEmpty()) return false;
  RememberFolder(Folder::kSave, folder);
  const QDir dir(folder);
  int saved = 0;
  QStringList problems;
  std::vector<size_t> done;
  for (size_t i = 0; i < pictures_->size(); ++i) {
    const PictureRecord& picture = (*pictures_)[i];
    // Never replaces a file: a name already taken gets a number.
    const QString target = FreeName(dir, QString::fromStdString(picture.name), QString::fromStdString(picture.ext));
    const Status status = ExtractImage(sourcePath_, source_, picture, LocalPath(target), /*overwrite=*/false);
    if (status.ok()) {
      ++saved;
      done.push_back(i);
    } else {
      problems << QString("%1.%2: %3")
                      .arg(QString::fromStdString(picture.name), QString::fromStdString(picture.ext),
                           QString::fromStdString(status.message()));
    }
  }
  const QString line = tr("Saved %1 of %2 pictures to \"%3\".").arg(saved).arg(pictures_->size()).arg(folder);
  savedRow_->setSaved(line, folder, /*isFolder=*/true);
  QString text = line;
  if (!problems.isEmpty()) {
    const qsizetype shown = std::min<qsizetype>(problems.size(), 10);
    text += "\n\n" + tr("Not saved:") + "\n" + QStringList(problems.mid(0, shown)).join("\n");
    if (problems.size() > shown) text += "\n" + tr("(and %1 more)").arg(problems.size() - shown);
  }
  QMessageBox box(problems.isEmpty() ? QMessageBox::Information : QMessageBox::Warning, tr("Save All Pictures"), text,
                  QMessageBox::Ok, this);
  box.setObjectName("SaveAllResult");
  box.exec();
  for (size_t i : done) markSaved(i);
  return problems.isEmpty();
}

}  // namespace kw::ui
