// SPDX-License-Identifier: Apache-2.0
#include "ui/text_view.h"

#include <QAccessible>
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
#include "ui/text_view_accessible.h"

namespace kw::ui {

namespace {

// Text laid out at once when it is set (several screenfuls); the rest
// follows in pieces, as many as fit in one short pass of the event loop.
constexpr size_t kFirstPiece = 64 << 10;
constexpr size_t kPiece = 256 << 10;
constexpr qint64 kPassMs = 10;
constexpr size_t kFoldLimit = 65536;
constexpr int kFocusMargin = 2;

}  // namespace

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent), layoutTimer_(new QTimer(this)) {
  InstallTextViewAccessible();
  setViewportMargins(kFocusMargin, kFocusMargin, kFocusMargin, kFocusMargin);
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
  ++generation_;
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
    // A run of empty lines takes one row (a very long run, a few, so that
    // one step stays short).
    size_t end = next_, runs = 0, lastBreak = next_;
    while (end < text_.size() && runs < kFoldLimit) {
      const bool crlf = data[end] == '\r' && end + 1 < text_.size() && data[end + 1] == '\n';
      if (data[end] != '\n' && !crlf) break;
      lastBreak = end;
      end += crlf ? 2 : 1;
      ++runs;
    }
    if (runs >= kFoldLines) {
      rows_.push_back({next_, lastBreak, runs});
      next_ = end;
      return;
    }
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
  return offsetAtColumn(rows_[static_cast<size_t>(row)], (pos.x() - textLeft()) / charWidth_);
}

size_t TextView::offsetAtColumn(const Row& r, double column) const {
  if (r.blankRun > 0) return r.start;
  // The character boundary nearest to the column; a combining mark stays
  // with the character before it.
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

size_t TextView::columnOf(const Row& row, size_t offset) const {
  if (row.blankRun > 0 || offset <= row.start) return 0;
  return ColumnsOf(text_.substr(row.start, std::min(offset, row.end) - row.start));
}

size_t TextView::nextChar(size_t offset) const {
  if (offset >= text_.size()) return text_.size();
  if (text_[offset] == '\r' && offset + 1 < text_.size() && text_[offset + 1] == '\n') return offset + 2;
  size_t at = offset + DecodeAt(text_, offset).length;
  while (at < text_.size() && static_cast<uint8_t>(text_[at]) >= 0x80) {
    const Utf8Char mark = DecodeAt(text_, at);
    if (CellWidth(mark.code) != 0) break;
    at += mark.length;
  }
  return at;
}

size_t TextView::previousChar(size_t offset) const {
  if (offset == 0) return 0;
  if (offset >= 2 && text_[offset - 1] == '\n' && text_[offset - 2] == '\r') return offset - 2;
  size_t at = offset - 1;
  while (at > 0 && (static_cast<uint8_t>(text_[at]) & 0xC0) == 0x80) --at;
  return at;
}

QRect TextView::characterRect(size_t offset) const {
  if (rows_.empty() || (!layoutDone_ && offset >= next_)) return {};
  const size_t index = rowOf(offset);
  const Row& row = rows_[index];
  const int y = (static_cast<int>(index) - verticalScrollBar()->value()) * lineHeight();
  const double x = textLeft() + double(columnOf(row, offset)) * charWidth_;
  const int width = offset < row.end ? std::max(1, CellWidth(DecodeAt(text_, offset).code)) : 1;
  return QRectF(x, y, width * charWidth_, lineHeight()).toAlignedRect();
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
  const size_t visible = static_cast<size_t>(viewport()->height() / height) + 2;
  const size_t selStart = selectionStart();
  const size_t selEnd = selectionEnd();
  const auto xOf = [&](size_t column) { return textLeft() + double(column) * charWidth_; };

  for (size_t i = 0; i < visible && first + i < rows_.size(); ++i) {
    const Row& row = rows_[first + i];
    const int y = static_cast<int>(i) * height;
    // The selection's part of the row is highlighted.
    const size_t a = std::clamp(selStart, row.start, row.end);
    const size_t b = std::clamp(selEnd, row.start, row.end);
    const bool breakSelected = selStart <= row.end && selEnd > row.end;
    if (row.blankRun > 0) {
      if (a < b || breakSelected) painter.fillRect(QRect(0, y, viewport()->width(), height), highlight);
    } else if (a < b || breakSelected) {
      const size_t colA = columnOf(row, a);
      const size_t colB = columnOf(row, b);
      const double right = xOf(colB) + (breakSelected ? charWidth_ / 2 : 0);
      painter.fillRect(QRectF(xOf(colA), y, right - xOf(colA), height), highlight);
    }
    paintRow(painter, row, y, ascent, textColor, highlightText);
  }
  if (hasFocus()) {
    const QRect caret = characterRect(position_);
    if (!caret.isEmpty()) painter.fillRect(QRect(caret.left(), caret.top(), 2, caret.height()), textColor);
  }
}

bool TextView::event(QEvent* event) {
  const bool handled = QAbstractScrollArea::event(event);
  if (event->type() == QEvent::Paint && hasFocus()) {
    // A frame round the text, in the margin kept for it, says it has the keys.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusMargin));
    painter.setBrush(Qt::NoBrush);
    const double half = kFocusMargin / 2.0;
    painter.drawRect(QRectF(viewport()->geometry()).adjusted(-half, -half, half, half));
  }
  return handled;
}

void TextView::paintControl(QPainter& painter, double x, int y, const QString& label, const QColor& color) const {
  // A box as high as a capital letter, the code inside it in digits half its size.
  const int height = lineHeight();
  const QRectF box(x + 0.5, y + 1.5, charWidth_ - 1, height - 3);
  painter.save();
  painter.setPen(QPen(color, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(box);
  QFont small = font();
  small.setPixelSize(std::max(4, static_cast<int>((height - 4) / 2)));
  small.setStretch(QFont::Condensed);
  painter.setFont(small);
  const QRectF top(box.left(), box.top(), box.width(), box.height() / 2);
  painter.drawText(top, Qt::AlignCenter, label.left(1));
  painter.drawText(top.translated(0, box.height() / 2), Qt::AlignCenter, label.mid(1));
  painter.restore();
}

void TextView::paintRow(QPainter& painter, const Row& row, int y, int ascent, const QColor& normal,
                        const QColor& selected) const {
  const int baseline = y + ascent;
  if (row.blankRun > 0) {
    // A quiet line across the row, and how many lines it stands for.
    const QColor quiet = palette().color(QPalette::PlaceholderText);
    painter.setPen(QPen(quiet, 1, Qt::DotLine));
    const int middle = y + lineHeight() / 2;
    const QString note = tr("%L1 empty lines").arg(static_cast<qulonglong>(row.blankRun));
    const int noteWidth = fontMetrics().horizontalAdvance(note);
    painter.drawLine(textLeft(), middle, textLeft() + 2 * static_cast<int>(charWidth_), middle);
    painter.drawLine(textLeft() + 4 * static_cast<int>(charWidth_) + noteWidth, middle, viewport()->width() - 8,
                     middle);
    painter.setPen(quiet);
    painter.drawText(QPointF(textLeft() + 3 * charWidth_, baseline), note);
    return;
  }
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
    if (const QString label = ascii ? QString() : ControlLabel(c.code); !label.isEmpty()) {
      flush();
      paintControl(painter, textLeft() + double(column) * charWidth_, y, label, inSelection ? selected : normal);
      runAscii = false;  // what follows starts a run of its own
      column += static_cast<size_t>(width);
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

int TextView::visibleRows() const { return std::max(1, viewport()->height() / lineHeight()); }

void TextView::moveCaret(size_t offset, bool extend) {
  setSelection(extend ? anchor_ : offset, offset);
  if (!layoutDone_ && position_ >= next_) {
    showOffset(position_);
  } else if (!rows_.empty()) {
    // Scrolled no further than needed to show the caret's row.
    QScrollBar* bar = verticalScrollBar();
    const long row = static_cast<long>(rowOf(position_));
    if (row < bar->value()) bar->setValue(static_cast<int>(row));
    if (row >= bar->value() + visibleRows()) bar->setValue(static_cast<int>(row - visibleRows() + 1));
  }
  if (QAccessible::isActive()) NotifyCaretMoved(this);
}

size_t TextView::caretRowsAway(long rows) {
  if (rows > 0 && !layoutDone_) continueLayout(static_cast<size_t>(rows) * static_cast<size_t>(columns_ + 2) + kPiece);
  if (rows_.empty()) return position_;
  const size_t from = rowOf(position_);
  const size_t column = columnOf(rows_[from], position_);
  const long target = std::clamp<long>(static_cast<long>(from) + rows, 0, static_cast<long>(rows_.size()) - 1);
  // Past the first or last row: to the start or the end of the text.
  if (target == static_cast<long>(from)) return rows < 0 ? 0 : layoutDone_ ? text_.size() : position_;
  return offsetAtColumn(rows_[static_cast<size_t>(target)], double(column));
}

void TextView::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  const size_t row = rows_.empty() ? 0 : rowOf(position_);
  switch (event->key()) {
    case Qt::Key_Left:
      moveCaret(!extend && selectionStart() != selectionEnd() ? selectionStart() : previousChar(position_), extend);
      break;
    case Qt::Key_Right:
      moveCaret(!extend && selectionStart() != selectionEnd() ? selectionEnd() : nextChar(position_), extend);
      break;
    case Qt::Key_Up: moveCaret(caretRowsAway(-1), extend); break;
    case Qt::Key_Down: moveCaret(caretRowsAway(1), extend); break;
    case Qt::Key_PageUp: moveCaret(caretRowsAway(-visibleRows()), extend); break;
    case Qt::Key_PageDown: moveCaret(caretRowsAway(visibleRows()), extend); break;
    case Qt::Key_Home: moveCaret(control || rows_.empty() ? 0 : rows_[row].start, extend); break;
    case Qt::Key_End: moveCaret(control || rows_.empty() ? text_.size() : rows_[row].end, extend); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  event->accept();
}

void TextView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  update();
  viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  update();
  viewport()->update();
}

void TextView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copyAction = menu.addAction(tr("&Copy"), this, &TextView::copy);
  copyAction->setShortcut(QKeySequence::Copy);
  copyAction->setEnabled(selectionStart() != selectionEnd());
  menu.addAction(tr("Select &All"), this, &TextView::selectAll)->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
}

}  // namespace kw::ui
