// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocAbout: the About window. Modal, owned by the wizard, a fresh one for
// every Help > About. It shows the program's name and version; OK (CmdOK)
// closes it. The product has no web page of its own, so no link is shown.

#include <QDialog>

namespace kw::ui {

class DocAbout : public QDialog {
  Q_OBJECT
 public:
  explicit DocAbout(QWidget* owner);
};

}  // namespace kw::ui
