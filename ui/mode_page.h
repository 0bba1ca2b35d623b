// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 2: the four recovery modes (the boxes OptQuickMode, OptImageMode,
// OptSalvageMode, OptDeepMode). They are check boxes that act as one group
// of exclusive options which can also all be cleared: a user's click on one
// box (or a screen reader's toggle) clears the others and then reports the
// change through modeClicked(). Changes the program makes (clearAll,
// offerImageMode) report nothing. A click on a
// mode's title or description, or its title's mnemonic, acts as a click on
// its box.

#include <QWidget>
#include <optional>

#include "jobs/job_modes.h"

class QCheckBox;
class QGridLayout;
class QLabel;

namespace kw::ui {

class ModePage : public QWidget {
  Q_OBJECT
 public:
  explicit ModePage(QWidget* parent = nullptr);

  QCheckBox* box(JobMode mode) const;
  // The checked mode, if any.
  std::optional<JobMode> chosen() const;
  // Quick, then Salvage, then Image, then Deep cleared.
  void clearAll();
  // Image Recovery is offered for Word 97-2003 files only: when it is not,
  // its box is cleared and greyed out, and a line beside it says why.
  void offerImageMode(bool offered);

 signals:
  // After a user click; `checked` is the box's new value.
  void modeClicked(kw::JobMode mode, bool checked);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // One mode's box, title and description, from the core's table of modes.
  QGridLayout* addMode(const ModeEntry& entry);
  void onClicked(JobMode mode, bool checked);
  // A change the program makes, which reports nothing.
  void setChecked(JobMode mode, bool checked);

  QCheckBox* boxes_[4] = {};
  QLabel* imageNote_ = nullptr;
  bool changing_ = false;
};

}  // namespace kw::ui
