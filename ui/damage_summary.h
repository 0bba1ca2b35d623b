// SPDX-License-Identifier: Apache-2.0
#pragma once
// DamageSummary: the row on a preview step that tells how many damaged
// places the last job skipped or cut (LblDamage), with "Details..."
// (CmdDamageDetails) opening the list in DamageDetails, and whether the job
// was cancelled (LblCancelled). The row is hidden while there is nothing to
// tell: before any job, and after a whole job without damage.

#include <QWidget>

#include "base/damage_report.h"

class QLabel;
class QPushButton;

namespace kw::ui {

class DamageSummary : public QWidget {
  Q_OBJECT
 public:
  explicit DamageSummary(QWidget* parent = nullptr);

  // Keeps a copy of `report` and shows the row when it is not empty or the
  // job was cancelled.
  void setReport(const DamageReport& report, bool cancelled = false);
  void clear() { setReport(DamageReport()); }

 private:
  void showDetails();

  DamageReport report_;
  QLabel* cancelled_;
  QLabel* line_;
  QPushButton* details_;
};

}  // namespace kw::ui
