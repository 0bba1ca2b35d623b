// SPDX-License-Identifier: Apache-2.0
#pragma once
// UnsavedResult: what the user would lose by quitting or starting over, the
// recovered text and the pictures of the last job until each is saved, and
// the question asked before they go: "Discard the recovered text of NAME?"
// (or pictures, or text and pictures) with Save, Discard and Cancel, in the
// order the desktop's style gives them.

#include <QMessageBox>
#include <QString>

namespace kw::ui {

class UnsavedResult {
 public:
  // After a job on `document` (its path) that gave text and/or pictures.
  void set(const QString& document, bool text, bool pictures);
  void textSaved() { text_ = false; }
  void picturesSaved() { pictures_ = false; }
  void clear() { text_ = pictures_ = false; }

  bool any() const { return text_ || pictures_; }
  bool text() const { return text_; }
  bool pictures() const { return pictures_; }

  // Asks; Save, Discard or Cancel (also for Escape).
  QMessageBox::StandardButton ask(QWidget* parent) const;

 private:
  QString document_;
  bool text_ = false;
  bool pictures_ = false;
};

}  // namespace kw::ui
