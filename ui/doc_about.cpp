// SPDX-License-Identifier: Apache-2.0
#include "ui/doc_about.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_info.h"
#include "ui/icons.h"

namespace kw::ui {

DocAbout::DocAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("DocAbout");
  setWindowTitle(tr("About"));
  setModal(true);

  auto* picture = new QLabel(this);
  picture->setPixmap(AppPixmap(64));
  picture->setAccessibleName(tr("Program icon"));
  auto* name = new QLabel(kProductName, this);
  QFont big = name->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  name->setFont(big);
  auto* version = new QLabel(tr("Version %1 Build %2").arg(KW_VERSION_MAJOR_MINOR, KW_VERSION_BUILD), this);
  version->setObjectName("LblVersion");
  auto* about = new QLabel(tr("Recovers the text and pictures of damaged Word documents."), this);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setToolTip(tr("Close this window"));
  ok->setObjectName("CmdOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(version);
  texts->addSpacing(8);
  texts->addWidget(about);
  texts->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(line);
  layout->addWidget(ok, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kw::ui
