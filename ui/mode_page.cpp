// SPDX-License-Identifier: Apache-2.0
#include "ui/mode_page.h"

#include <QCheckBox>
#include <QCoreApplication>
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

// The boxes' object names, by which the tests find them.
const char* BoxName(JobMode mode) {
  switch (mode) {
    case JobMode::kQuick: return "OptQuickMode";
    case JobMode::kImages: return "OptImageMode";
    case JobMode::kSalvage: return "OptSalvageMode";
    case JobMode::kDeep: return "OptDeepMode";
  }
  return "";
}

}  // namespace

ModePage::ModePage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->addWidget(BoldLabel(tr("Document Recovery Modes"), this));
  layout->addSpacing(8);
  for (const ModeEntry& entry : kModes) {
    QGridLayout* grid = addMode(entry);
    if (entry.mode == JobMode::kImages) {
      imageNote_ =
          new QLabel(tr("Not offered for a .docx file: Deep Recovery lists the pictures inside its package."), this);
      imageNote_->setObjectName("LblImageModeNote");
      imageNote_->setWordWrap(true);
      imageNote_->setForegroundRole(QPalette::PlaceholderText);
      imageNote_->hide();
      grid->addWidget(imageNote_, 2, 1);
    }
  }
  layout->addStretch();
}

QGridLayout* ModePage::addMode(const ModeEntry& entry) {
  const JobMode mode = entry.mode;
  const char* name = BoxName(mode);
  const QString title = QCoreApplication::translate(kModeTextContext, entry.title);
  const QString tag = *entry.tag != '\0' ? QCoreApplication::translate(kModeTextContext, entry.tag) : QString();
  const QString description = QCoreApplication::translate(kModeTextContext, entry.description);
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
  for (const ModeEntry& other : kModes) {
    if (other.mode != mode) setChecked(other.mode, false);
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
