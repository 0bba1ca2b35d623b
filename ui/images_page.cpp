#include "ui/images_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "formats/images/image_extraction.h"
#include "formats/images/image_info.h"
#include "formats/images/image_table.h"
#include "ui/damage_summary.h"
#include "ui/icons.h"
#include "ui/local_names.h"
#include "ui/picture_view.h"

namespace kw::ui {

namespace {

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// The status window of an extraction: it only lets window events run.
class EventYield : public StatusWindow {
 public:
  void setProgressMin(int32_t) override {}
  void setProgressMax(int32_t) override {}
  void setProgressValue(int32_t) override {}
  void yield() override { QCoreApplication::processEvents(); }
  void closeStatusWindow() override {}
};

// `folder`/`name`, or `folder`/`name`-2, -3, ... when that is taken.
QString FreeName(const QDir& folder, const QString& base, const QString& ext) {
  QString name = base + "." + ext;
  for (int n = 2; LocalExists(folder.filePath(name)); ++n) name = QString("%1-%2.%3").arg(base).arg(n).arg(ext);
  return folder.filePath(name);
}

}  // namespace

ImagesPage::ImagesPage(RecoveryJobState& job, const WizardInputs& inputs, QWidget* parent)
    : QWidget(parent),
      job_(job),
      inputs_(inputs),
      list_(new QListWidget(this)),
      found_(new QLabel("Found (0) Images", this)),
      preview_(new PictureView(this)),
      error_(new QLabel(this)),
      heightH_(new QLabel("Height : ", this)),
      height_(BoldLabel("300", this)),
      widthH_(new QLabel("Width :", this)),
      width_(BoldLabel("200", this)),
      depthH_(new QLabel("Depth : ", this)),
      depth_(BoldLabel("8", this)),
      save_(new QPushButton("Save picture...", this)),
      saveAll_(new QPushButton("Save all pictures...", this)),
      damage_(new DamageSummary(this)) {
  auto* icon = new QLabel(this);
  icon->setObjectName("ImgICO");
  icon->setPixmap(PictureIcon());
  found_->setObjectName("LblFoundImages");
  list_->setObjectName("LstPicture");
  list_->setIconSize(QSize(16, 16));
  list_->setUniformItemSizes(true);
  // Grid lines between the entries.
  list_->setStyleSheet(
      "QListWidget::item { border-bottom: 1px solid palette(midlight); padding: 2px; }"
      "QListWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }");
  preview_->setObjectName("WebBrowser1");
  error_->setObjectName("LblPreviewError");
  error_->setWordWrap(true);
  error_->setStyleSheet("color: #a02020;");
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
  headingRow->addWidget(BoldLabel("Preview Recovered Images", this));
  headingRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  buttons->addWidget(saveAll_);
  auto* left = new QVBoxLayout;
  left->addLayout(headingRow);
  left->addWidget(found_);
  left->addWidget(new QLabel("Click Image to Preview", this));
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
  right->addWidget(BoldLabel("Preview", this));
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
  layout->addWidget(damage_);

  connect(list_, &QListWidget::itemClicked, this, &ImagesPage::LstPicture_ListClick);
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    updateButtons();
    if (selectedEntry() != nullptr) showSelected();
  });
  list_->viewport()->installEventFilter(this);
  connect(save_, &QPushButton::clicked, this, &ImagesPage::savePicture);
  connect(saveAll_, &QPushButton::clicked, this, &ImagesPage::saveAllPictures);
  updateButtons();
}

void ImagesPage::clearList() {
  selectedAtPress_ = nullptr;
  list_->clear();
  updateButtons();
}

void ImagesPage::addEntry(const QString& text) {
  static const QIcon icon(PictureIcon());
  list_->addItem(new QListWidgetItem(icon, text));
  updateButtons();
}

void ImagesPage::setFoundImages(const QString& text) { found_->setText(text); }

void ImagesPage::navigate(const QString& path) { preview_->navigate(path); }

QListWidgetItem* ImagesPage::selectedEntry() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void ImagesPage::updateButtons() {
  save_->setEnabled(selectedEntry() != nullptr);
  saveAll_->setEnabled(list_->count() > 0);
}

Status ImagesPage::extract(const ImageEntry& entry, std::string* path) {
  EventYield window;
  extracting_ = true;
  const Status status = SaveImages(job_, inputs_, entry.sMark, entry.eMark, entry.ImgName, entry.ImgExt, path, &window);
  extracting_ = false;
  return status;
}

bool ImagesPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
    selectedAtPress_ = selectedEntry();
  }
  return QWidget::eventFilter(watched, event);
}

// A click that changed the selection has been shown already; one on the
// entry that was selected shows it again.
void ImagesPage::LstPicture_ListClick(QListWidgetItem* item) {
  if (item != nullptr && item == selectedAtPress_) showSelected();
}

void ImagesPage::showSelected() {
  if (extracting_) {  // shown when the copy running now ends
    selectionMissed_ = true;
    return;
  }
  QListWidgetItem* shown = nullptr;
  do {
    selectionMissed_ = false;
    shown = selectedEntry();
    showEntry(shown != nullptr ? shown->text() : QString());
  } while (selectionMissed_ || selectedEntry() != shown);
}

void ImagesPage::endSave() {
  extracting_ = false;
  if (selectionMissed_) showSelected();
}

void ImagesPage::showEntry(const QString& text) {
  ImageEntry entry;
  if (!ParseImageEntry(text.toStdString(), &entry)) {
    showNoPicture(QString());
    return;
  }
  std::string path;
  const Status status = extract(entry, &path);
  if (!status.ok()) {
    showNoPicture(QString::fromStdString(status.message()));
    return;
  }
  if (!preview_->navigate(FromLocalPath(path))) {
    showNoPicture("This picture cannot be shown: its data is damaged or incomplete.");
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
  cGetInfo info;
  for (QLabel* label : {heightH_, widthH_, depthH_, height_, width_, depth_}) label->show();
  info.FileName = LocalPath(sPicName);
  info.GetImageFileInfo();
  const bool known = info.TypeOfImage != 0;
  height_->setText(known ? QString::number(info.Height) : QString());
  width_->setText(known ? QString::number(info.Width) : QString());
  depth_->setText(known ? QString::number(info.Depth) : QString());
}

void ImagesPage::savePicture() {
  QListWidgetItem* item = selectedEntry();
  ImageEntry entry;
  if (extracting_ || item == nullptr || !ParseImageEntry(item->text().toStdString(), &entry)) return;
  const QString name = QString::fromStdString(entry.ImgName + "." + entry.ImgExt);
  const QString ext = QString::fromStdString(entry.ImgExt);
  const QString target = ChosenPath(QFileDialog::getSaveFileName(
      this, "Save Picture", QDir(saveFolder_.isEmpty() ? QDir::homePath() : saveFolder_).filePath(name),
      QString("Pictures (*.%1);;All files (*)").arg(ext)));
  if (target.isEmpty()) return;
  saveFolder_ = QFileInfo(target).absolutePath();
  EventYield window;
  extracting_ = true;
  // The dialog has asked before replacing a file.
  const Status status = ExtractImage(inputs_.sourcePath(), entry.sMark, entry.eMark, LocalPath(target),
                                     /*overwrite=*/true, &window, job_.sourceIdentity);
  endSave();
  if (!status.ok()) {
    QMessageBox::warning(this, "Save Picture", QString::fromStdString(status.message()));
  }
}

void ImagesPage::saveAllPictures() {
  if (extracting_ || list_->count() == 0) return;
  const QString folder = ChosenPath(QFileDialog::getExistingDirectory(
      this, "Save All Pictures", saveFolder_.isEmpty() ? QDir::homePath() : saveFolder_));
  if (folder.isEmpty()) return;
  saveFolder_ = folder;
  const QDir dir(folder);
  int saved = 0;
  QStringList problems;
  EventYield window;
  extracting_ = true;
  for (int i = 0; i < list_->count(); ++i) {
    ImageEntry entry;
    if (!ParseImageEntry(list_->item(i)->text().toStdString(), &entry)) continue;
    // Never replaces a file: a name already taken gets a number.
    const QString target = FreeName(dir, QString::fromStdString(entry.ImgName), QString::fromStdString(entry.ImgExt));
    const Status status = ExtractImage(inputs_.sourcePath(), entry.sMark, entry.eMark, LocalPath(target),
                                       /*overwrite=*/false, &window, job_.sourceIdentity);
    if (status.ok()) {
      ++saved;
    } else {
      problems << QString::fromStdString(status.message());
    }
  }
  endSave();
  QString text = QString("Saved %1 of %2 pictures to \"%3\".").arg(saved).arg(list_->count()).arg(folder);
  if (!problems.isEmpty()) {
    const int shown = std::min<int>(problems.size(), 5);
    text += "\n\n" + QStringList(problems.mid(0, shown)).join("\n");
    if (problems.size() > shown) text += QString("\n(and %1 more)").arg(problems.size() - shown);
  }
  QMessageBox box(problems.isEmpty() ? QMessageBox::Information : QMessageBox::Warning, "Save All Pictures", text,
                  QMessageBox::Ok, this);
  box.setObjectName("SaveAllResult");
  box.exec();
}

}  // namespace kw::ui
