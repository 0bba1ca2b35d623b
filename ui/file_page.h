// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 1: the source document. The file-name box (txtDocFileName; the user
// may also type a path) and the Browse button (CmdBowse); what Browse does
// is the wizard's (it also serves File > Start Document Repair). Under the
// box, as soon as the path changes, a line with a warning sign
// (LblPathProblem) says what keeps the file from being recovered: nothing
// there, a folder, not readable, empty, or a file the job cannot take (over
// its size limit). The wizard's Next does not leave the step while it shows.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kw::ui {

class FilePage : public QWidget {
  Q_OBJECT
 public:
  explicit FilePage(QWidget* parent = nullptr);

  QLineEdit* pathBox() const { return pathBox_; }
  QPushButton* browseButton() const { return browseButton_; }
  // What is wrong with the path in the box now, or empty text.
  QString problem() const;

  // What is wrong with the file at `path` for a recovery, or empty text.
  static QString PathProblem(const QString& path);

 private:
  QLineEdit* pathBox_;
  QPushButton* browseButton_;
  QWidget* problemRow_;
  QLabel* problemText_;
};

}  // namespace kw::ui
