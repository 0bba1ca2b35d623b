// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocAbout: the About window. Modal, owned by the wizard, a fresh one for
// every Help > About. It shows the version and the product web site's
// address as a link (LblSite); clicking the link opens the site and leaves
// the window open; OK (CmdOK) closes it.

#include <QDialog>

namespace kw::ui {

class DocAbout : public QDialog {
  Q_OBJECT
 public:
  explicit DocAbout(QWidget* owner);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LblSite_Click();
};

}  // namespace kw::ui
