// SPDX-License-Identifier: Apache-2.0
#include "ui/find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "ui/clear_button.h"
#include "ui/text_finder.h"
#include "ui/text_view.h"

namespace kw::ui {

FindBar::FindBar(TextView* view, QWidget* parent)
    : QWidget(parent),
      view_(view),
      finder_(new TextFinder(view, this)),
      text_(new QLineEdit(this)),
      matchCase_(new QCheckBox(tr("&Match case"), this)),
      status_(new QLabel(this)) {
  setObjectName("FindBar");
  auto* label = new QLabel(tr("F&ind:"), this);
  label->setBuddy(text_);
  text_->setObjectName("FindText");
  text_->setAccessibleName(tr("Find"));
  text_->setAccessibleDescription(tr("The text to find in the recovered text"));
  text_->setClearButtonEnabled(true);
  NameClearButton(text_);
  text_->installEventFilter(this);
  auto* next = new QPushButton(tr("Ne&xt"), this);
  next->setObjectName("FindNext");
  next->setToolTip(tr("Find the next match (F3)"));
  auto* previous = new QPushButton(tr("Pre&vious"), this);
  previous->setObjectName("FindPrevious");
  previous->setToolTip(tr("Find the previous match (Shift+F3)"));
  matchCase_->setObjectName("FindMatchCase");
  matchCase_->setToolTip(tr("Find only matches with the same capital and small letters"));
  status_->setObjectName("FindStatus");
  auto* close = new QToolButton(this);
  close->setObjectName("FindClose");
  close->setAutoRaise(true);
  close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, close));
  close->setToolTip(tr("Close the find bar (Esc)"));
  close->setAccessibleName(tr("Close the find bar"));

  connect(next, &QPushButton::clicked, this, &FindBar::findNext);
  connect(previous, &QPushButton::clicked, this, &FindBar::findPrevious);
  connect(close, &QToolButton::clicked, this, &FindBar::closeBar);
  connect(text_, &QLineEdit::textChanged, status_, &QLabel::clear);
  connect(view_, &TextView::textReplaced, status_, &QLabel::clear);
  connect(finder_, &TextFinder::notFound, this, [this] { status_->setText(tr("Not found")); });
  connect(finder_, &TextFinder::found, this, [this](bool wrapped) {
    status_->setText(!wrapped       ? QString()
                     : lastForward_ ? tr("Reached the end, continued from the start")
                                    : tr("Reached the start, continued from the end"));
  });

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->addWidget(label);
  layout->addWidget(text_, 1);
  layout->addWidget(next);
  layout->addWidget(previous);
  layout->addWidget(matchCase_);
  layout->addWidget(status_, 1);
  layout->addWidget(close);
  hide();
}

void FindBar::open() {
  show();
  text_->setFocus(Qt::ShortcutFocusReason);
  text_->selectAll();
}

void FindBar::find(bool forward) {
  if (text_->text().isEmpty()) {
    open();
    return;
  }
  lastForward_ = forward;
  status_->setText(tr("Searching\u2026"));
  finder_->find(text_->text(), forward, matchCase_->isChecked());
}

void FindBar::closeBar() {
  finder_->cancel();
  status_->clear();
  hide();
  view_->setFocus(Qt::OtherFocusReason);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      find(!(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    closeBar();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace kw::ui
