// SPDX-License-Identifier: Apache-2.0
#pragma once
// SavedFileRow: the line under a save button once something was saved:
// "Saved to <path>", with "Open" (the file, in the program the desktop
// chooses for it) and "Show in folder" (the folder that holds it). For a
// folder of pictures only "Show in folder" is offered. Hidden until set.

#include <QWidget>

class QLabel;
class QPushButton;

namespace kw::ui {

class SavedFileRow : public QWidget {
  Q_OBJECT
 public:
  explicit SavedFileRow(QWidget* parent = nullptr);

  // `text` is the line shown; `path` the file or folder saved.
  void setSaved(const QString& text, const QString& path, bool isFolder);
  void clear();
  QLabel* label() const { return label_; }

 private:
  QString path_;
  bool isFolder_ = false;
  QLabel* label_;
  QPushButton* open_;
  QPushButton* show_;
};

}  // namespace kw::ui
