// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 2: the four recovery modes, OptQuickMode, OptImageMode,
// OptSalvageMode and OptDeepMode. They are check boxes that act as one group
// of exclusive options which can also all be cleared: a user click on one box
// clears the others and then reports the click through modeClicked(). Changes the
// program makes (setValue, clearAll) report nothing. A click on a mode's
// title or description acts as a click on its box.

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLabel;

namespace kw::ui {

enum class Mode { kQuick, kImage, kSalvage, kDeep };

class ModePage : public QWidget {
  Q_OBJECT
 public:
  explicit ModePage(QWidget* parent = nullptr);

  QCheckBox* box(Mode mode) const;
  // 1 = chosen, 0 = not.
  int value(Mode mode) const;
  void setValue(Mode mode, int value);
  // Quick, then Salvage, then Image, then Deep to 0.
  void clearAll();
  bool anyChosen() const;
  // Image Recovery is offered for Word 97-2003 files only: when it is not,
  // its box is greyed out (keeping its value) and a line beside it says why.
  void setImageModeOffered(bool offered);

 signals:
  // After a user click; `checked` is the box's new value.
  void modeClicked(kw::ui::Mode mode, bool checked);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QGridLayout* addMode(Mode mode, const char* name, const QString& title, const QString& tag,
                       const QString& description);
  void onClicked(Mode mode, bool checked);

  QCheckBox* boxes_[4] = {};
  QLabel* imageNote_ = nullptr;
};

}  // namespace kw::ui
