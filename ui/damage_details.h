// SPDX-License-Identifier: Apache-2.0
#pragma once
// DamageDetails: the modal window behind "Details..." on the preview step.
// It lists every damaged place of the last job, one line each, in a
// read-only box (TxtDamageDetails) whose text can be selected and copied;
// Close (CmdClose) closes it.

#include <QDialog>

namespace kw {
class DamageReport;
}

namespace kw::ui {

class DamageDetails : public QDialog {
  Q_OBJECT
 public:
  DamageDetails(const DamageReport& report, QWidget* owner);
};

}  // namespace kw::ui
