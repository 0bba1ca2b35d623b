// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 1: the source document. The file-name box txtDocFileName (the user may
// also type a path) and the Browse button CmdBowse; what Browse does is the
// wizard's (it also serves File > Start Document Repair).

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace kw::ui {

class FilePage : public QWidget {
  Q_OBJECT
 public:
  explicit FilePage(QWidget* parent = nullptr);

  QLineEdit* txtDocFileName() const { return txtDocFileName_; }
  QPushButton* CmdBowse() const { return CmdBowse_; }

 private:
  QLineEdit* txtDocFileName_;
  QPushButton* CmdBowse_;
};

}  // namespace kw::ui
