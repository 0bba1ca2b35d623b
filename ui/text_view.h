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
// as symbols drawn in their cell (text_cells.h); copying gives the original
// characters. A run of kFoldLines or more empty lines (a .docx's pictures
// leave such runs in its text) takes one row, which says how many lines it
// holds, instead of a screenful of nothing.
//
// With the focus, the view draws a focus frame and a caret, which the arrow
// keys, Home, End, Page Up and Page Down move (Shift extends the
// selection). The user also selects with the mouse (drag, shift-click,
// double-click for a word) and Ctrl+A, and copies with Ctrl+C or the context
// menu; copied line breaks are "\n". Positions are byte offsets into
// utf8(), always at the start of a character. Screen readers read the text,
// the caret and the selection (TextViewAccessible).

#include <QAbstractScrollArea>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <string>
#include <string_view>

#include "ui/text_buffer.h"

class QPainter;

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

  static constexpr size_t kFoldLines = 4;

  // The selection is [selectionStart(), selectionEnd()); the caret is at
  // `position`.
  void setSelection(size_t anchor, size_t position);
  size_t caret() const { return position_; }
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
  // Where the character at `offset` is drawn, in the viewport, when its row
  // is found; an empty rectangle when not.
  QRect characterRect(size_t offset) const;
  // The character boundary nearest to a point of the viewport.
  size_t offsetAt(QPoint viewportPos) const;
  // Changes with every new text (for those that keep facts about it).
  unsigned textGeneration() const { return generation_; }

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
  bool event(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  struct Row {
    size_t start = 0;     // byte offset of the row's first character
    size_t end = 0;       // one past its last byte (no line break)
    size_t blankRun = 0;  // empty lines folded into the row; 0 for a row of text
  };

  void relayout();                    // after a text or width change: starts finding the rows
  void continueLayout(size_t bytes);  // finds the rows of about `bytes` more text
  void layoutStep();                  // finds one row
  void updateScrollBar();
  void revealPending();               // carries out a showOffset() whose row is found
  size_t rowOf(size_t offset) const;  // the row that shows `offset`
  size_t columnOf(const Row& row, size_t offset) const;
  size_t offsetAtColumn(const Row& row, double column) const;
  size_t nextChar(size_t offset) const;
  size_t previousChar(size_t offset) const;
  // Moves the caret (and the selection's end, with `extend`) and keeps it in view.
  void moveCaret(size_t offset, bool extend);
  // The caret's offset `rows` rows up (negative) or down.
  size_t caretRowsAway(long rows);
  int lineHeight() const;
  int visibleRows() const;
  void paintRow(QPainter& painter, const Row& row, int y, int ascent, const QColor& normal,
                const QColor& selected) const;
  void paintControl(QPainter& painter, double x, int y, const QString& label, const QColor& color) const;
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
  unsigned generation_ = 0;
};

}  // namespace kw::ui
