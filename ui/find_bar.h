// SPDX-License-Identifier: Apache-2.0
#pragma once
// FindBar: the bar under the text preview that finds a string in the whole
// text (TextFinder).
//
// It holds the search box (FindText), "Next" (FindNext), "Previous"
// (FindPrevious), "Match case" (FindMatchCase), a close button (FindClose)
// and a line for the outcome (FindStatus: "Not found", or a note that the
// search went round the end or start of the text). open() shows it with the
// search box focused; Enter finds the next match, Shift+Enter the previous
// one, and Escape closes the bar (giving the focus back to the view).
// findNext() and findPrevious() with an empty box open the bar instead.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kw::ui {

class TextFinder;
class TextView;

class FindBar : public QWidget {
  Q_OBJECT
 public:
  explicit FindBar(TextView* view, QWidget* parent = nullptr);

  void open();
  void findNext() { find(true); }
  void findPrevious() { find(false); }
  TextFinder* finder() const { return finder_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void find(bool forward);
  void closeBar();

  TextView* view_;
  TextFinder* finder_;
  QLineEdit* text_;
  QCheckBox* matchCase_;
  QLabel* status_;
  bool lastForward_ = true;
};

}  // namespace kw::ui
