// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 3: the recovered text. The preview (TxtRepairedDocContent) is a
// read-only viewer (select and copy work) that starts disabled and empty.
// fill() moves a job's text into it, trimmed of spaces, and enables it for
// good; clear() empties it and leaves it enabled or not, and hides the
// damage summary, the summary line and the hint of the job that filled it.
// The hint "Try Salvage Recovery mode" shows only after Quick Recovery of a
// Word 97-2003 file, where Salvage Recovery reads the file another way.
// Ctrl+F opens a find bar under the text (FindBar); F3 and Shift+F3 find
// the next and previous match.

#include <QWidget>
#include <string>

#include "ui/text_buffer.h"

class QLabel;

namespace kw::ui {

class DamageSummary;
class FindBar;
class PendingNote;
class TextView;

class TextPage : public QWidget {
  Q_OBJECT
 public:
  explicit TextPage(QWidget* parent = nullptr);

  void fill(TextBuffer text);
  void clear();
  // The line beside the hint that says what the job recovered.
  void setSummary(const QString& text);
  void showSalvageHint(bool shown);
  TextView* textView() const { return view_; }
  DamageSummary* damageSummary() const { return damage_; }
  FindBar* findBar() const { return findBar_; }
  PendingNote* pendingNote() const { return pending_; }

 private:
  TextView* view_;
  QLabel* hint_;
  QLabel* summary_;
  PendingNote* pending_;
  DamageSummary* damage_;
  FindBar* findBar_;
};

}  // namespace kw::ui
