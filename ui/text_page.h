// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 3: the recovered text. TxtRepairedDocContent is a read-only viewer
// (select and copy work) that starts disabled and empty. fill() moves a
// job's result into it, trimmed of spaces, enables it for good and empties
// the job's text; clear() empties it and leaves it enabled or not, and
// hides the damage summary of the job that filled it.

#include <QWidget>
#include <string>

namespace kw::ui {

class DamageSummary;
class TextView;

class TextPage : public QWidget {
  Q_OBJECT
 public:
  explicit TextPage(QWidget* parent = nullptr);

  void fill(std::string& sRecoveredText);
  void clear();
  TextView* TxtRepairedDocContent() const { return view_; }
  DamageSummary* damageSummary() const { return damage_; }

 private:
  TextView* view_;
  DamageSummary* damage_;
};

}  // namespace kw::ui
