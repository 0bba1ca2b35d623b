// SPDX-License-Identifier: Apache-2.0
#include "ui/doc_about.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_info.h"
#include "ui/help.h"
#include "ui/icons.h"

namespace kw::ui {

DocAbout::DocAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("DocAbout");
  setWindowTitle(tr("About"));
  setModal(true);

  auto* picture = new QLabel(this);
  picture->setPixmap(AppPixmap(64));
  auto* name = new QLabel(kProductName, this);
  QFont big = name->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  name->setFont(big);
  auto* version = new QLabel(kVersionText, this);
  version->setObjectName("LblVersion");

  auto* site = new QLabel(kSiteUrl, this);
  site->setObjectName("LblSite");
  site->setTextFormat(Qt::PlainText);
  QFont linkFont = site->font();
  linkFont.setBold(true);
  linkFont.setUnderline(true);
  site->setFont(linkFont);
  site->setForegroundRole(QPalette::Link);  // readable in dark themes too
  site->setCursor(Qt::PointingHandCursor);
  site->setToolTip(tr("Open the web site in your browser"));
  site->installEventFilter(this);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("CmdOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(version);
  texts->addSpacing(8);
  texts->addWidget(site);
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

bool DocAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched->objectName() == "LblSite" && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    LblSite_Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void DocAbout::LblSite_Click() { OpenWebLink(kSiteUrl); }

}  // namespace kw::ui
