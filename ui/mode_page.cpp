// SPDX-License-Identifier: Apache-2.0
#include "ui/mode_page.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace kw::ui {

namespace {

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

ModePage::ModePage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->addWidget(BoldLabel(tr("Document Recovery Modes"), this));
  layout->addSpacing(8);
  addMode(JobMode::kQuick, "OptQuickMode", tr("&Quick Recovery"), tr("[Recommended]"),
          tr("This mode helps you recover text, pictures, charts, cliparts etc including formatting "
             "from damaged Word document files."));
  QGridLayout* image = addMode(JobMode::kImages, "OptImageMode", tr("&Image Recovery"), QString(),
                               tr("This mode helps you salvage or retrieve all images, pictures etc from the damaged "
                                  "Word document file."));
  imageNote_ =
      new QLabel(tr("Not offered for a .docx file: Deep Recovery lists the pictures inside its package."), this);
  imageNote_->setObjectName("LblImageModeNote");
  imageNote_->setWordWrap(true);
  imageNote_->setForegroundRole(QPalette::PlaceholderText);
  imageNote_->hide();
  image->addWidget(imageNote_, 2, 1);
  addMode(JobMode::kSalvage, "OptSalvageMode", tr("&Salvage Recovery"), tr("[For Heavily Corrupted Files]"),
          tr("This mode helps you salvage or retrieve data from heavily damaged Word document files."));
  addMode(JobMode::kDeep, "OptDeepMode", tr("&Deep Recovery"), tr("[Reads the Document's Own Structure]"),
          tr("This mode reads a .doc or .docx file the way Word stores it and gives back its text in any "
             "language, footnotes and headers included, and the pictures inside a .docx, even when parts "
             "of the file are damaged."));
  layout->addStretch();
}

QGridLayout* ModePage::addMode(JobMode mode, const char* name, const QString& title, const QString& tag,
                               const QString& description) {
  auto* box = new QCheckBox(this);
  box->setObjectName(name);
  box->setAccessibleName(QString(title).remove('&'));
  box->setAccessibleDescription(description);
  boxes_[static_cast<int>(mode)] = box;
  // Toggled, not clicked: a screen reader's "toggle" changes the box without a click.
  connect(box, &QCheckBox::toggled, this, [this, mode](bool checked) {
    if (!changing_) onClicked(mode, checked);
  });

  auto* titleRow = new QHBoxLayout;
  titleRow->setSpacing(8);
  // The title's mnemonic clicks the box.
  QLabel* titleLabel = BoldLabel(title, this);
  titleLabel->setBuddy(box);
  titleLabel->setObjectName(QString(name) + "Title");
  titleRow->addWidget(titleLabel);
  if (!tag.isEmpty()) {
    QLabel* tagLabel = BoldLabel(tag, this);
    tagLabel->setForegroundRole(QPalette::Link);  // readable in dark themes too
    titleRow->addWidget(tagLabel);
  }
  titleRow->addStretch();
  auto* text = new QLabel(description, this);
  text->setWordWrap(true);
  for (QLabel* label : {titleLabel, text}) {
    label->setProperty("modeIndex", static_cast<int>(mode));
    label->installEventFilter(this);
  }

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->addWidget(box, 0, 0, Qt::AlignTop);
  grid->addLayout(titleRow, 0, 1);
  grid->addWidget(text, 1, 1);
  grid->setColumnStretch(1, 1);
  static_cast<QVBoxLayout*>(layout())->addLayout(grid);
  static_cast<QVBoxLayout*>(layout())->addSpacing(12);
  return grid;
}

QCheckBox* ModePage::box(JobMode mode) const { return boxes_[static_cast<int>(mode)]; }

void ModePage::setChecked(JobMode mode, bool checked) {
  changing_ = true;
  box(mode)->setChecked(checked);
  changing_ = false;
}

std::optional<JobMode> ModePage::chosen() const {
  // The order in which the status window has always read the boxes.
  for (JobMode mode : {JobMode::kSalvage, JobMode::kImages, JobMode::kDeep, JobMode::kQuick}) {
    if (box(mode)->isChecked()) return mode;
  }
  return std::nullopt;
}

void ModePage::offerImageMode(bool offered) {
  // Never checked and greyed out at once: a mode that cannot be chosen is not.
  if (!offered) setChecked(JobMode::kImages, false);
  box(JobMode::kImages)->setEnabled(offered);
  imageNote_->setVisible(!offered);
}

void ModePage::clearAll() {
  for (JobMode mode : {JobMode::kQuick, JobMode::kSalvage, JobMode::kImages, JobMode::kDeep}) setChecked(mode, false);
}

void ModePage::onClicked(JobMode mode, bool checked) {
  // Clear the others, in the order Quick, Image, Salvage, Deep.
  for (JobMode other : {JobMode::kQuick, JobMode::kImages, JobMode::kSalvage, JobMode::kDeep}) {
    if (other != mode) setChecked(other, false);
  }
  emit modeClicked(mode, checked);
}

bool ModePage::eventFilter(QObject* watched, QEvent* event) {
  const QVariant index = watched->property("modeIndex");
  if (index.isValid() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    QCheckBox* target = boxes_[index.toInt()];
    if (target->isEnabled()) target->click();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kw::ui
