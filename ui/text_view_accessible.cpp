// SPDX-License-Identifier: Apache-2.0
#include "ui/text_view_accessible.h"

#include <QAccessibleWidget>
#include <algorithm>
#include <vector>

#include "ui/text_view.h"

namespace kw::ui {

namespace {

// UTF-16 code units of the UTF-8 character that starts with `lead`.
int Utf16Units(uint8_t lead) { return lead >= 0xF0 && lead < 0xF8 ? 2 : 1; }
bool IsContinuation(char byte) { return (static_cast<uint8_t>(byte) & 0xC0) == 0x80; }

// Byte offsets and UTF-16 offsets that match, one pair every kStep bytes
// (at a character's start), to go from one to the other in a short scan.
class Utf16Index {
 public:
  static constexpr size_t kStep = 64 << 10;

  void build(std::string_view text) {
    marks_.clear();
    long units = 0;
    size_t next = 0;
    for (size_t at = 0; at < text.size(); ++at) {
      if (IsContinuation(text[at])) continue;
      if (at >= next) {
        marks_.push_back({at, units});
        next = at + kStep;
      }
      units += Utf16Units(static_cast<uint8_t>(text[at]));
    }
    total_ = units;
  }
  long total() const { return total_; }

  size_t byteOf(std::string_view text, long units) const {
    if (marks_.empty() || units <= 0) return 0;
    if (units >= total_) return text.size();
    auto mark =
        std::upper_bound(marks_.begin(), marks_.end(), units, [](long u, const Mark& m) { return u < m.units; }) - 1;
    size_t at = mark->byte;
    for (long u = mark->units; at < text.size();) {
      const long width = Utf16Units(static_cast<uint8_t>(text[at]));
      if (u + width > units) break;
      u += width;
      do ++at;
      while (at < text.size() && IsContinuation(text[at]));
    }
    return at;
  }

  long unitsOf(std::string_view text, size_t byte) const {
    if (marks_.empty()) return 0;
    byte = std::min(byte, text.size());
    auto mark =
        std::upper_bound(marks_.begin(), marks_.end(), byte, [](size_t b, const Mark& m) { return b < m.byte; }) - 1;
    long units = mark->units;
    for (size_t at = mark->byte; at < byte; ++at) {
      if (!IsContinuation(text[at])) units += Utf16Units(static_cast<uint8_t>(text[at]));
    }
    return units;
  }

 private:
  struct Mark {
    size_t byte;
    long units;
  };
  std::vector<Mark> marks_;
  long total_ = 0;
};

class TextViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TextViewAccessible(TextView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    state.multiLine = true;
    state.selectableText = true;
    return state;
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || view()->selectionStart() == view()->selectionEnd()) return;
    *start = toUnits(view()->selectionStart());
    *end = toUnits(view()->selectionEnd());
  }
  int selectionCount() const override { return view()->selectionStart() == view()->selectionEnd() ? 0 : 1; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { view()->setSelection(view()->caret(), view()->caret()); }
  void setSelection(int, int start, int end) override { view()->setSelection(toBytes(start), toBytes(end)); }
  int cursorPosition() const override { return toUnits(view()->caret()); }
  void setCursorPosition(int position) override {
    const size_t at = toBytes(position);
    view()->setSelection(at, at);
  }
  QString text(QAccessible::Text type) const override { return QAccessibleWidget::text(type); }
  QString text(int start, int end) const override {
    const size_t from = toBytes(start);
    const size_t to = std::max(from, toBytes(end));
    const std::string_view part = view()->utf8().substr(from, to - from);
    return QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()));
  }
  int characterCount() const override {
    index();
    return static_cast<int>(std::min<long>(index_.total(), INT32_MAX));
  }
  QRect characterRect(int offset) const override {
    const QRect rect = view()->characterRect(toBytes(offset));
    if (rect.isEmpty()) return {};
    return QRect(view()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return toUnits(view()->offsetAt(view()->viewport()->mapFromGlobal(point)));
  }
  void scrollToSubstring(int start, int) override { view()->showOffset(toBytes(start)); }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

 private:
  TextView* view() const { return static_cast<TextView*>(widget()); }
  // The index of the text the view holds now.
  const Utf16Index& index() const {
    if (generation_ != view()->textGeneration() || !built_) {
      index_.build(view()->utf8());
      generation_ = view()->textGeneration();
      built_ = true;
    }
    return index_;
  }
  size_t toBytes(int units) const { return index().byteOf(view()->utf8(), units); }
  int toUnits(size_t byte) const {
    return static_cast<int>(std::min<long>(index().unitsOf(view()->utf8(), byte), INT32_MAX));
  }

  mutable Utf16Index index_;
  mutable unsigned generation_ = 0;
  mutable bool built_ = false;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<TextView*>(object)) return new TextViewAccessible(view);
  return nullptr;
}

}  // namespace

void InstallTextViewAccessible() {
  static const bool installed = (QAccessible::installFactory(Factory), true);
  (void)installed;
}

void NotifyCaretMoved(TextView* view) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
  QAccessibleTextInterface* text = accessible ? accessible->textInterface() : nullptr;
  if (text == nullptr) return;
  QAccessibleTextCursorEvent event(view, text->cursorPosition());
  QAccessible::updateAccessibility(&event);
}

}  // namespace kw::ui
