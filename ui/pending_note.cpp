// SPDX-License-Identifier: Apache-2.0
#include "ui/pending_note.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace kw::ui {

PendingNote::PendingNote(QWidget* parent) : QWidget(parent) {
  setObjectName("PendingNote");
  auto* text = new QLabel(tr("Still recovering: what is found appears here when the job ends"), this);
  text->setObjectName("LblStillRecovering");
  text->setWordWrap(true);
  auto* busy = new QProgressBar(this);
  busy->setObjectName("ProgStillRecovering");
  busy->setRange(0, 0);  // no end known: the bar moves to and fro
  busy->setTextVisible(false);
  busy->setMaximumWidth(160);
  busy->setAccessibleName(tr("Recovery in progress"));
  busy->setAccessibleDescription(text->text());
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 4);
  layout->addWidget(busy);
  layout->addWidget(text, 1);
  hide();
}

}  // namespace kw::ui
