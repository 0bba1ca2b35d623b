// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 1: the source document. The file-name box txtDocFileName (the user may
// also type a path) and the Browse button CmdBowse; what Browse does is the
// wizard's (it also serves File > Start Document Repair). Under the box, as
// soon as the path changes, a line (LblPathProblem) says what is wrong with
// it: nothing there, a folder, not readable, or empty. It only informs: Next
// follows the wizard's own rules.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kw::ui {

class FilePage : public QWidget {
  Q_OBJECT
 public:
  explicit FilePage(QWidget* parent = nullptr);

  QLineEdit* txtDocFileName() const { return txtDocFileName_; }
  QPushButton* CmdBowse() const { return CmdBowse_; }
  QLabel* pathProblem() const { return problem_; }

  // What is wrong with the file at `path` for a recovery, or empty text.
  static QString PathProblem(const QString& path);

 private:
  QLineEdit* txtDocFileName_;
  QPushButton* CmdBowse_;
  QLabel* problem_;
};

}  // namespace kw::ui
