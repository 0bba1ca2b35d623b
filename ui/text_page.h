#pragma once
// Step 3: the recovered text. TxtRepairedDocContent is a read-only viewer
// (select and copy work) that starts disabled and empty. fill() moves a
// job's result into it, trimmed of spaces, enables it for good and empties
// the job's text (given a JobRunner's result().text, it shows the text the
// runner spooled); clear() empties it and leaves it enabled or not, and
// hides the damage summary of the job that filled it. Ctrl+F opens a find
// bar under the text (FindBar); F3 and Shift+F3 find the next and previous
// match.

#include <QWidget>
#include <string>

#include "ui/text_buffer.h"

namespace kw::ui {

class DamageSummary;
class FindBar;
class TextView;

class TextPage : public QWidget {
  Q_OBJECT
 public:
  explicit TextPage(QWidget* parent = nullptr);

  void fill(std::string& sRecoveredText);
  void fill(TextBuffer text);
  void clear();
  TextView* TxtRepairedDocContent() const { return view_; }
  DamageSummary* damageSummary() const { return damage_; }
  FindBar* findBar() const { return findBar_; }

 private:
  TextView* view_;
  DamageSummary* damage_;
  FindBar* findBar_;
};

}  // namespace kw::ui
