// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextView: a read-only viewer for very long texts.
//
// It keeps the text as the UTF-8 bytes it is given (taking them over, no
// copy) and lays out only the rows on screen, so showing hundreds of MiB
// costs one pass to find the line starts, instead of the conversion and
// layout of a rich editor. The rows are found in pieces from the event loop
// (the first screenful at once), so even a huge text never stalls the
// window for long; the scroll bar grows as they come. Lines wrap at the
// window's width, after the last blank that fits (a word longer than a row
// is cut, and text without blanks wraps by character). The font is
// monospaced and a row holds a fixed number of columns: a wide (East Asian)
// character takes two, a combining mark none, and control characters show
// as symbols (text_cells.h); copying gives the original characters. The
// user selects with the mouse (drag, shift-click, double-click for a word)
// and Ctrl+A, and copies with Ctrl+C or the context menu; copied line breaks
// are "\n". Positions are byte offsets into utf8(), always at the start of a
// character.

#include <QAbstractScrollArea>
#include <QString>
#include <QTimer>

class QPainter;
#include <algorithm>
#include <deque>
#include <string>
#include <string_view>

#include "ui/text_buffer.h"

namespace kw::ui {

class TextView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TextView(QWidget* parent = nullptr);

  // Shows bytes [begin, end) of `text`, which the view keeps; clears the
  // selection and scrolls to the top.
  void setText(TextBuffer text, size_t begin = 0, size_t end = std::string::npos);
  void setUtf8(std::string text, size_t begin = 0, size_t end = std::string::npos) {
    setText(TextBuffer(std::move(text)), begin, end);
  }
  void setPlainText(const QString& text) { setUtf8(text.toUtf8().toStdString()); }
  void clear() { setUtf8(std::string()); }
  std::string_view utf8() const { return text_; }
  QString toPlainText() const { return QString::fromUtf8(text_.data(), qsizetype(text_.size())); }

  // The selection is [selectionStart(), selectionEnd()).
  void setSelection(size_t anchor, size_t position);
  void selectAll();
  size_t selectionStart() const { return std::min(anchor_, position_); }
  size_t selectionEnd() const { return std::max(anchor_, position_); }
  QString selectedText() const;
  // Puts the selection on the clipboard ("\r\n" becomes "\n").
  void copy() const;

  // Scrolls the row that shows `offset` into view, now or, when the layout
  // has not reached it yet, as soon as it does.
  void showOffset(size_t offset);

  // Number of display rows found so far at the current width, and whether
  // all are found.
  int rowCount() const { return static_cast<int>(rows_.size()); }
  bool layoutFinished() const { return layoutDone_; }

 signals:
  // setText() (or setUtf8(), clear()) replaced the text.
  void textReplaced();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  struct Row {
    size_t start = 0;  // byte offset of the row's first character
    size_t end = 0;    // one past its last byte (no line break)
  };

  void relayout();                    // after a text or width change: starts finding the rows
  void continueLayout(size_t bytes);  // finds the rows of about `bytes` more text
  void layoutStep();                  // finds one row
  void updateScrollBar();
  void revealPending();               // carries out a showOffset() whose row is found
  size_t rowOf(size_t offset) const;  // the row that shows `offset`
  size_t offsetAt(QPoint viewportPos) const;
  int lineHeight() const;
  void paintRow(QPainter& painter, const Row& row, int baseline, const QColor& normal, const QColor& selected) const;
  int textLeft() const { return 4; }

  TextBuffer storage_;
  std::string_view text_;
  std::deque<Row> rows_;  // the display rows found so far, in order (never moved)
  // Where the layout goes on: the next row's first byte, and the line it is in.
  size_t next_ = 0;
  size_t lineEnd_ = 0;   // end of the line's text (before "\r\n" or "\n")
  size_t lineNext_ = 0;  // first byte of the following line; npos for the last
  bool inLine_ = false;
  bool layoutDone_ = true;
  QTimer* layoutTimer_;
  int columns_ = 80;
  double charWidth_ = 8;
  size_t anchor_ = 0;
  size_t position_ = 0;
  bool dragging_ = false;
  size_t pendingShow_ = std::string::npos;
};

}  // namespace kw::ui
