// SPDX-License-Identifier: Apache-2.0
#include "ui/damage_details.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_info.h"
#include "ui/damage_text.h"

namespace kw::ui {

DamageDetails::DamageDetails(const DamageReport& report, QWidget* owner) : QDialog(owner) {
  setObjectName("DamageDetails");
  setWindowTitle(tr("Damaged Places - %1").arg(kProductName));
  setModal(true);

  auto* intro = new QLabel(
      tr("These parts of the document were damaged and were skipped or cut. Offsets and lengths are in bytes, "
         "counted from the start of the file."),
      this);
  intro->setWordWrap(true);
  auto* list = new QPlainTextEdit(this);
  list->setObjectName("TxtDamageDetails");
  list->setReadOnly(true);
  list->setPlainText(DamageDetailLines(report).join('\n'));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setObjectName("CmdClose");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(list, 1);
  layout->addWidget(buttons);
  resize(560, 300);
}

}  // namespace kw::ui
