// SPDX-License-Identifier: Apache-2.0
#include "ui/text_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <cctype>
#include <cmath>
#include <cstring>

#include "ui/text_cells.h"

namespace kw::ui {

namespace {

// Text laid out at once when it is set (several screenfuls); the rest
// follows in pieces, as many as fit in one short pass of the event loop.
constexpr size_t kFirstPiece = 64 << 10;
constexpr size_t kPiece = 256 << 10;
constexpr qint64 kPassMs = 10;

}  // namespace

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent), layoutTimer_(new QTimer(this)) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layoutTimer_->setInterval(0);
  connect(layoutTimer_, &QTimer::timeout, this, [this] {
    QElapsedTimer pass;
    pass.start();
    do continueLayout(kPiece);
    while (!layoutDone_ && pass.elapsed() < kPassMs);
    viewport()->update();
  });
  clear();
}

void TextView::setText(TextBuffer text, size_t begin, size_t end) {
  storage_ = std::move(text);
  const std::string_view bytes = storage_.bytes();
  end = std::min(end, bytes.size());
  begin = std::min(begin, end);
  text_ = bytes.substr(begin, end - begin);
  anchor_ = position_ = 0;
  pendingShow_ = std::string::npos;
  relayout();
  verticalScrollBar()->setValue(0);
  viewport()->update();
  emit textReplaced();
}

void TextView::showOffset(size_t offset) {
  pendingShow_ = std::min(offset, text_.size());
  revealPending();
}

void TextView::revealPending() {
  if (pendingShow_ == std::string::npos || (!layoutDone_ && pendingShow_ >= next_)) return;
  const size_t row = rowOf(pendingShow_);
  pendingShow_ = std::string::npos;
  QScrollBar* bar = verticalScrollBar();
  const size_t top = static_cast<size_t>(bar->value());
  const size_t page = static_cast<size_t>(std::max(1, viewport()->height() / lineHeight()));
  // A row out of view comes to a third of the way down.
  if (row < top || row >= top + page)
    bar->setValue(static_cast<int>(std::min<size_t>(row - std::min(row, page / 3), INT32_MAX)));
}

void TextView::relayout() {
  const QFontMetricsF metrics(font());
  charWidth_ = std::max(1.0, metrics.horizontalAdvance(u'M'));
  columns_ = std::max(1, static_cast<int>((viewport()->width() - 2 * textLeft()) / charWidth_));
  rows_.clear();
  next_ = 0;
  inLine_ = false;
  layoutDone_ = false;
  continueLayout(kFirstPiece);
}

void TextView::continueLayout(size_t bytes) {
  const size_t until = next_ + bytes;
  while (!layoutDone_ && next_ < until) layoutStep();
  updateScrollBar();
  revealPending();
  if (layoutDone_) {
    layoutTimer_->stop();
  } else if (!layoutTimer_->isActive()) {
    layoutTimer_->start();
  }
}

void TextView::layoutStep() {
  const char* data = text_.data();
  if (!inLine_) {
    const void* found = next_ < text_.size() ? std::memchr(data + next_, '\n', text_.size() - next_) : nullptr;
    lineNext_ = found ? static_cast<size_t>(static_cast<const char*>(found) - data) + 1 : std::string::npos;
    lineEnd_ = found ? lineNext_ - 1 : text_.size();
    if (found && lineEnd_ > next_ && data[lineEnd_ - 1] == '\r') --lineEnd_;
    inLine_ = true;
  }
  const size_t start = next_;
  // The first character that does not fit in `columns_` columns.
  const size_t fit = FitColumns(text_, start, lineEnd_, static_cast<size_t>(columns_));
  if (fit >= lineEnd_) {
    rows_.push_back({start, lineEnd_});
    inLine_ = false;
    layoutDone_ = lineNext_ == std::string::npos;
    next_ = layoutDone_ ? text_.size() : lineNext_;
    return;
  }
  // Break after the last blank that fits (a blank just past the edge stays
  // with this row), else cut the word.
  size_t cut = fit;
  if (data[fit] == ' ') {
    cut = fit + 1;
  } else if (const void* blank = memrchr(data + start, ' ', fit - start); blank && blank != data + start) {
    cut = static_cast<size_t>(static_cast<const char*>(blank) - data) + 1;
  }
  rows_.push_back({start, cut});
  next_ = cut;
}

void TextView::updateScrollBar() {
  const size_t page = static_cast<size_t>(std::max(1, viewport()->height() / lineHeight()));
  const size_t maximum = rows_.size() > page ? rows_.size() - page : 0;
  verticalScrollBar()->setRange(0, static_cast<int>(std::min<size_t>(maximum, INT32_MAX)));
  verticalScrollBar()->setPageStep(static_cast<int>(page));
  verticalScrollBar()->setSingleStep(1);
}

int TextView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

size_t TextView::rowOf(size_t offset) const {
  const auto it =
      std::upper_bound(rows_.begin(), rows_.end(), offset, [](size_t at, const Row& row) { return at < row.start; });
  return it == rows_.begin() ? 0 : static_cast<size_t>(it - rows_.begin()) - 1;
}

size_t TextView::offsetAt(QPoint pos) const {
  const double row = verticalScrollBar()->value() + std::floor(double(pos.y()) / lineHeight());
  if (row < 0) return 0;
  if (row >= double(rows_.size())) return text_.size();
  const Row& r = rows_[static_cast<size_t>(row)];
  // The character boundary nearest to the point; a combining mark stays
  // with the character before it.
  const double column = (pos.x() - textLeft()) / charWidth_;
  size_t at = r.start;
  for (double used = 0; at < r.end;) {
    const Utf8Char c = DecodeAt(text_, at);
    const int width = CellWidth(c.code);
    if (column < used + width / 2.0) break;
    used += width;
    at += c.length;
    while (at < r.end && static_cast<uint8_t>(text_[at]) >= 0x80) {
      const Utf8Char mark = DecodeAt(text_, at);
      if (CellWidth(mark.code) != 0) break;
      at += mark.length;
    }
  }
  return at;
}

void TextView::setSelection(size_t anchor, size_t position) {
  anchor_ = std::min(anchor, text_.size());
  position_ = std::min(position, text_.size());
  viewport()->update();
}

void TextView::selectAll() { setSelection(0, text_.size()); }

QString TextView::selectedText() const {
  const std::string_view part = text_.substr(selectionStart(), selectionEnd() - selectionStart());
  return QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()));
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
  const size_t first = static_cast<size_t>(verticalScrollBar()->value());
  const size_t visible = static_cast<size_t>(viewport()->height() / height + 2);
  const size_t selStart = selectionStart();
  const size_t selEnd = selectionEnd();
  const auto xOf = [&](size_t column) { return textLeft() + double(column) * charWidth_; };

  for (size_t i = 0; i < visible && first + i < rows_.size(); ++i) {
    const Row& row = rows_[first + i];
    const int y = static_cast<int>(i) * height;
    // The selection's part of the row is highlighted.
    const size_t a = std::clamp(selStart, row.start, row.end);
    const size_t b = std::clamp(selEnd, row.start, row.end);
    const std::string_view before = text_.substr(row.start, a - row.start);
    const std::string_view inside = text_.substr(a, b - a);
    const size_t colA = ColumnsOf(before);
    const size_t colB = colA + ColumnsOf(inside);
    const bool breakSelected = selStart <= row.end && selEnd > row.end;
    if (a < b || breakSelected) {
      const double right = xOf(colB) + (breakSelected ? charWidth_ / 2 : 0);
      painter.fillRect(QRectF(xOf(colA), y, right - xOf(colA), height), highlight);
    }
    paintRow(painter, row, y + ascent, textColor, highlightText);
  }
}

void TextView::paintRow(QPainter& painter, const Row& row, int baseline, const QColor& normal,
                        const QColor& selected) const {
  // Runs of printable ASCII are drawn at once; every other character on its
  // own, at its column, so that glyphs of other widths (or from fallback
  // fonts) never shift the rest of the row.
  QString run;
  size_t runColumn = 0;
  bool runSelected = false;
  bool runAscii = false;
  const auto flush = [&] {
    if (run.isEmpty()) return;
    painter.setPen(runSelected ? selected : normal);
    painter.drawText(QPointF(textLeft() + double(runColumn) * charWidth_, baseline), run);
    run.clear();
  };
  size_t column = 0;
  for (size_t at = row.start; at < row.end;) {
    const bool inSelection = at >= selectionStart() && at < selectionEnd();
    const auto byte = static_cast<uint8_t>(text_[at]);
    const bool ascii = byte >= 0x20 && byte < 0x7F;
    const Utf8Char c = ascii ? Utf8Char{byte, 1} : DecodeAt(text_, at);
    const int width = CellWidth(c.code);
    if (width == 0 && !run.isEmpty()) {  // a combining mark joins the glyph before it
      AppendCode(run, ShownChar(c.code));
      at += c.length;
      continue;
    }
    if (!ascii || !runAscii || inSelection != runSelected) {
      flush();
      runColumn = column;
      runSelected = inSelection;
      runAscii = ascii;
    }
    AppendCode(run, ShownChar(c.code));
    column += static_cast<size_t>(width);
    at += c.length;
  }
  flush();
}

void TextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // Keep the first visible character in view across the new wrapping.
  const size_t value = static_cast<size_t>(verticalScrollBar()->value());
  const size_t top = value < rows_.size() ? rows_[value].start : 0;
  relayout();
  if (next_ <= top) continueLayout(top - next_ + 1);
  verticalScrollBar()->setValue(static_cast<int>(std::min<size_t>(rowOf(top), INT32_MAX)));
}

void TextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) relayout();
}

void TextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const size_t at = offsetAt(event->position().toPoint());
  setSelection((event->modifiers() & Qt::ShiftModifier) ? anchor_ : at, at);
  dragging_ = true;
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint pos = event->position().toPoint();
  if (pos.y() < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (pos.y() > viewport()->height()) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }
  setSelection(anchor_, offsetAt(pos));
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
  const size_t at = offsetAt(event->position().toPoint());
  // Letters, digits, "_" and every non-ASCII character count as word.
  const auto isWord = [&](size_t i) {
    const auto b = static_cast<uint8_t>(text_[i]);
    return std::isalnum(b) || b == '_' || b >= 0x80;
  };
  size_t start = at, end = at;
  while (start > 0 && isWord(start - 1)) --start;
  while (end < text_.size() && isWord(end)) ++end;
  setSelection(start, end);
}

void TextView::keyPressEvent(QKeyEvent* event) {
  QScrollBar* bar = verticalScrollBar();
  const bool control = event->modifiers() & Qt::ControlModifier;
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
  } else if (event->key() == Qt::Key_Home && control) {
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
  } else if (event->key() == Qt::Key_End && control) {
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
  menu.addAction("Select &All", this, &TextView::selectAll)->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
}

}  // namespace kw::ui
