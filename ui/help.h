// SPDX-License-Identifier: Apache-2.0
#pragma once
// Help. Help > Contents opens "Help.chm" beside the program with the
// desktop's default handler when that file exists; otherwise the program's
// own help is shown in a window. It never shows an error message.

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace kw::ui {

// The program's own help, a non-modal window owned by the wizard.
class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* owner);

 private:
  QTextBrowser* browser_;
};

// Help > Contents. `programDir` is where "Help.chm" is looked for. Returns
// the help window when the own help was shown (it stays open), else null.
HelpWindow* ShowHelpContents(QWidget* owner, const QString& programDir);

}  // namespace kw::ui
