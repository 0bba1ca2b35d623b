#pragma once
// TextView: a read-only viewer for very long texts.
//
// It keeps the text as one string and lays out only the rows on screen, so
// showing 100 MB takes one pass to find the line starts instead of the long
// layout a rich editor does. Lines wrap at the window's width (monospaced
// font, so wrapping is arithmetic). The user selects with the mouse (drag,
// shift-click, double-click for a word), with Ctrl+A, and copies with Ctrl+C
// or the context menu; copied line breaks are "\n". Positions are indices
// into text().

#include <QAbstractScrollArea>
#include <QString>
#include <algorithm>
#include <vector>

namespace kw::ui {

class TextView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TextView(QWidget* parent = nullptr);

  // Replaces the whole text; clears the selection and scrolls to the top.
  void setPlainText(QString text);
  const QString& toPlainText() const { return text_; }
  void clear() { setPlainText(QString()); }

  // The selection is [selectionStart(), selectionEnd()).
  void setSelection(qsizetype anchor, qsizetype position);
  void selectAll();
  qsizetype selectionStart() const { return std::min(anchor_, position_); }
  qsizetype selectionEnd() const { return std::max(anchor_, position_); }
  QString selectedText() const;
  // Puts the selection on the clipboard ("\r\n" becomes "\n").
  void copy() const;

  // Number of display rows at the current width (for tests and scrolling).
  int rowCount() const { return static_cast<int>(rowsTotal_); }

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
    qsizetype start = 0;   // index of the row's first character
    qsizetype length = 0;  // characters shown (no line break)
  };

  void relayout();  // after a text or width change
  void updateScrollBar();
  Row rowAt(qsizetype row) const;
  qsizetype rowOf(qsizetype index) const;  // the row that shows `index`
  qsizetype indexAt(QPoint viewportPos) const;
  int lineHeight() const;
  int textLeft() const { return 4; }

  QString text_;
  std::vector<qsizetype> lineStart_;  // index of the first character of each line
  std::vector<qsizetype> rowsBefore_; // rows of all lines before line i (size lines + 1)
  qsizetype rowsTotal_ = 0;
  int columns_ = 80;
  double charWidth_ = 8;
  qsizetype anchor_ = 0;
  qsizetype position_ = 0;
  bool dragging_ = false;
};

}  // namespace kw::ui
