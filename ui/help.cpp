// SPDX-License-Identifier: Apache-2.0
#include "ui/help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/app_info.h"
#include "ui/icons.h"

// The help pages are compiled into the static kwui library, whose resources
// are not registered on their own.
static void InitHelpResources() { Q_INIT_RESOURCE(ui); }

namespace kw::ui {

HelpWindow::HelpWindow(QWidget* owner) : QDialog(owner), browser_(new QTextBrowser(this)) {
  InitHelpResources();
  setObjectName("HelpWindow");
  setWindowTitle(tr("%1 Help").arg(kProductName));
  setWindowIcon(AppIcon());
  setAttribute(Qt::WA_DeleteOnClose);
  browser_->setObjectName("HelpBrowser");
  browser_->setOpenExternalLinks(true);
  browser_->setSource(QUrl("qrc:/help/index.html"));
  auto* close = new QPushButton(tr("&Close"), this);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addWidget(close, 0, Qt::AlignRight);
  resize(640, 560);
}

HelpWindow* ShowHelpContents(QWidget* owner, const QString& programDir) {
  const QString chm = QDir(programDir).filePath("Help.chm");
  if (QFileInfo(chm).isFile()) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(chm));
    return nullptr;
  }
  // One help window at a time: a second Contents brings it forward.
  if (auto* open = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
    open->raise();
    open->activateWindow();
    return open;
  }
  auto* window = new HelpWindow(owner);
  window->show();
  return window;
}

}  // namespace kw::ui
