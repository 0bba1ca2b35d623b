// SPDX-License-Identifier: Apache-2.0
#include "ui/clear_button.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QToolButton>

namespace kw::ui {

namespace {
struct ClearButton {
  Q_DECLARE_TR_FUNCTIONS(ClearButton)
};
}  // namespace

void NameClearButton(QLineEdit* box) {
  for (QToolButton* button : box->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly)) {
    button->setAccessibleName(ClearButton::tr("Clear"));
    button->setAccessibleDescription(ClearButton::tr("Empty the box"));
  }
}

}  // namespace kw::ui
