// SPDX-License-Identifier: Apache-2.0
#pragma once
// PendingNote: the row a preview step shows while the job that fills it
// still runs (after OK closed the status window): "Still recovering: what is
// found appears here when the job ends", beside a busy indicator. Hidden
// otherwise.

#include <QWidget>

namespace kw::ui {

class PendingNote : public QWidget {
  Q_OBJECT
 public:
  explicit PendingNote(QWidget* parent = nullptr);
};

}  // namespace kw::ui
