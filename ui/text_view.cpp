#include "ui/text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <cmath>

namespace kw::ui {

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  horizontalScrollBar()->hide();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setPlainText(QString());
}

void TextView::setPlainText(QString text) {
  text_ = std::move(text);
  lineStart_.clear();
  lineStart_.push_back(0);
  for (qsizetype at = text_.indexOf(u'\n'); at >= 0; at = text_.indexOf(u'\n', at + 1)) {
    lineStart_.push_back(at + 1);
  }
  anchor_ = position_ = 0;
  relayout();
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void TextView::relayout() {
  const QFontMetricsF metrics(font());
  charWidth_ = std::max(1.0, metrics.horizontalAdvance(u'M'));
  columns_ = std::max(1, static_cast<int>((viewport()->width() - 2 * textLeft()) / charWidth_));
  const size_t lines = lineStart_.size();
  rowsBefore_.resize(lines + 1);
  rowsBefore_[0] = 0;
  for (size_t i = 0; i < lines; ++i) {
    qsizetype end = i + 1 < lines ? lineStart_[i + 1] - 1 : text_.size();
    if (end > lineStart_[i] && text_.at(end - 1) == u'\r') --end;
    const qsizetype length = end - lineStart_[i];
    const qsizetype rows = length == 0 ? 1 : (length + columns_ - 1) / columns_;
    rowsBefore_[i + 1] = rowsBefore_[i] + rows;
  }
  rowsTotal_ = rowsBefore_[lines];
  updateScrollBar();
}

void TextView::updateScrollBar() {
  const int page = std::max(1, viewport()->height() / lineHeight());
  const qsizetype maximum = std::max<qsizetype>(0, rowsTotal_ - page);
  verticalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(maximum, INT32_MAX)));
  verticalScrollBar()->setPageStep(page);
  verticalScrollBar()->setSingleStep(1);
}

int TextView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

TextView::Row TextView::rowAt(qsizetype row) const {
  const auto it = std::upper_bound(rowsBefore_.begin(), rowsBefore_.end() - 1, row);
  const size_t line = static_cast<size_t>(it - rowsBefore_.begin()) - 1;
  qsizetype end = line + 1 < lineStart_.size() ? lineStart_[line + 1] - 1 : text_.size();
  if (end > lineStart_[line] && text_.at(end - 1) == u'\r') --end;
  Row result;
  result.start = lineStart_[line] + (row - rowsBefore_[line]) * columns_;
  result.length = std::clamp<qsizetype>(end - result.start, 0, columns_);
  return result;
}

qsizetype TextView::rowOf(qsizetype index) const {
  const auto it = std::upper_bound(lineStart_.begin(), lineStart_.end(), index);
  const size_t line = static_cast<size_t>(it - lineStart_.begin()) - 1;
  const qsizetype rows = rowsBefore_[line + 1] - rowsBefore_[line];
  const qsizetype k = std::min<qsizetype>((index - lineStart_[line]) / columns_, rows - 1);
  return rowsBefore_[line] + k;
}

qsizetype TextView::indexAt(QPoint pos) const {
  const qsizetype row = verticalScrollBar()->value() +
                        static_cast<qsizetype>(std::floor(double(pos.y()) / lineHeight()));
  if (row < 0) return 0;
  if (row >= rowsTotal_) return text_.size();
  const Row r = rowAt(row);
  const auto column = static_cast<qsizetype>(std::lround((pos.x() - textLeft()) / charWidth_));
  return r.start + std::clamp<qsizetype>(column, 0, r.length);
}

void TextView::setSelection(qsizetype anchor, qsizetype position) {
  anchor_ = std::clamp<qsizetype>(anchor, 0, text_.size());
  position_ = std::clamp<qsizetype>(position, 0, text_.size());
  viewport()->update();
}

void TextView::selectAll() { setSelection(0, text_.size()); }

QString TextView::selectedText() const {
  return text_.mid(selectionStart(), selectionEnd() - selectionStart());
}

void TextView::copy() const {
  if (selectionStart() == selectionEnd()) return;
  QString text = selectedText();
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QGuiApplication::clipboard()->setText(text);
}

void TextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
  const QColor textColor = palette().color(group, QPalette::Text);
  const QColor highlight = palette().color(group, QPalette::Highlight);
  const QColor highlightText = palette().color(group, QPalette::HighlightedText);
  const int height = lineHeight();
  const int ascent = fontMetrics().ascent();
  const qsizetype first = verticalScrollBar()->value();
  const qsizetype visible = viewport()->height() / height + 2;
  const qsizetype selStart = selectionStart();
  const qsizetype selEnd = selectionEnd();

  for (qsizetype i = 0; i < visible && first + i < rowsTotal_; ++i) {
    const Row row = rowAt(first + i);
    QString shown = text_.mid(row.start, row.length);
    for (QChar& c : shown) {
      if (c.unicode() < 0x20) c = u' ';  // tabs and control bytes take one cell
    }
    const int y = static_cast<int>(i) * height;
    const auto xOf = [&](qsizetype column) { return textLeft() + column * charWidth_; };
    // Selected part of this row: [a, b) in columns.
    const qsizetype a = std::clamp<qsizetype>(selStart - row.start, 0, row.length);
    const qsizetype b = std::clamp<qsizetype>(selEnd - row.start, 0, row.length);
    const bool breakSelected = selStart <= row.start + row.length && selEnd > row.start + row.length;
    if (a < b || breakSelected) {
      const double right = xOf(b) + (breakSelected ? charWidth_ / 2 : 0);
      painter.fillRect(QRectF(xOf(a), y, right - xOf(a), height), highlight);
    }
    painter.setPen(textColor);
    painter.drawText(QPointF(xOf(0), y + ascent), shown.left(a));
    painter.drawText(QPointF(xOf(b), y + ascent), shown.mid(b));
    painter.setPen(highlightText);
    painter.drawText(QPointF(xOf(a), y + ascent), shown.mid(a, b - a));
  }
}

void TextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // Keep the first visible character in view across the new wrapping.
  const qsizetype top = rowsTotal_ > 0 ? rowAt(verticalScrollBar()->value()).start : 0;
  relayout();
  verticalScrollBar()->setValue(static_cast<int>(rowOf(top)));
}

void TextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) relayout();
}

void TextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const qsizetype at = indexAt(event->position().toPoint());
  if (event->modifiers() & Qt::ShiftModifier) {
    setSelection(anchor_, at);
  } else {
    setSelection(at, at);
  }
  dragging_ = true;
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint pos = event->position().toPoint();
  if (pos.y() < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (pos.y() > viewport()->height()) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }
  setSelection(anchor_, indexAt(pos));
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard->supportsSelection() && selectionStart() != selectionEnd()) {
    clipboard->setText(selectedText(), QClipboard::Selection);
  }
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const qsizetype at = indexAt(event->position().toPoint());
  const auto isWord = [&](qsizetype i) { return text_.at(i).isLetterOrNumber() || text_.at(i) == u'_'; };
  qsizetype start = at, end = at;
  while (start > 0 && isWord(start - 1)) --start;
  while (end < text_.size() && isWord(end)) ++end;
  setSelection(start, end);
}

void TextView::keyPressEvent(QKeyEvent* event) {
  QScrollBar* bar = verticalScrollBar();
  if (event->matches(QKeySequence::Copy)) {
    copy();
  } else if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
  } else if (event->key() == Qt::Key_Up) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  } else if (event->key() == Qt::Key_Down) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  } else if (event->key() == Qt::Key_PageUp) {
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  } else if (event->key() == Qt::Key_PageDown) {
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  } else if (event->key() == Qt::Key_Home && (event->modifiers() & Qt::ControlModifier)) {
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
  } else if (event->key() == Qt::Key_End && (event->modifiers() & Qt::ControlModifier)) {
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

void TextView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copyAction = menu.addAction("&Copy", this, &TextView::copy);
  copyAction->setShortcut(QKeySequence::Copy);
  copyAction->setEnabled(selectionStart() != selectionEnd());
  QAction* all = menu.addAction("Select &All", this, &TextView::selectAll);
  all->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
}

}  // namespace kw::ui
