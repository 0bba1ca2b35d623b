// SPDX-License-Identifier: Apache-2.0
#pragma once
// MarkupCheck: whether a stream of bytes can still be XML, one byte at a time.
//
// Used while inflating an XML part to notice that damage has thrown the
// decoder out of step: garbage soon breaks the shape of a tag (a name, then
// name="value" attributes, then ">" or "/>"), of an entity, or of the XML
// declaration, or puts a ">" in text (every package writer escapes it).
// After an unknown byte the check is lost; it picks up again at the next
// "<", which in XML always opens markup, or after the next ">", which ends
// it. The text must be UTF-8, as a package's XML is: a byte out of step
// soon writes a lead byte without its continuation bytes, or one of those
// alone (after an unknown byte, continuation bytes are its own and pass).
// An end tag must close the element opened last, of those opened since the
// last unknown byte: bytes copied from the wrong place soon close the wrong
// one. Elements opened before that byte are not known, and an end tag past
// those known passes. Accepting a byte costs a switch; no memory grows.

#include <array>
#include <cstdint>

namespace kw {

class MarkupCheck {
 public:
  // False when `c` cannot follow what came before.
  bool accept(uint8_t c);
  // An unknown byte: nothing can be judged until the next "<".
  void lose() {
    state_ = State::kLost;
    continuations_ = kAnyContinuations;
    depth_ = 0;
  }
  // How many whole tags (from "<" to ">", no byte unknown) were accepted.
  uint64_t tags() const { return tags_; }

 private:
  enum class State : uint8_t {
    kText,
    kEntity,
    kOpen,
    kName,
    kAttrs,
    kAttrName,
    kEquals,
    kValue,
    kAfterValue,
    kSlash,
    kSpecial,
    kLost
  };
  static bool NameChar(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' ||
           c == '-' || c == '.' || c >= 0x80;
  }
  static bool NameStart(uint8_t c) { return NameChar(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.'; }
  static bool Space(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  // Whether `c` may come next in UTF-8, noting what it asks to follow.
  bool utf8(uint8_t c);
  static constexpr uint8_t kAnyContinuations = 0xFF;
  // The current tag's name has ended: false when it is an end tag that does
  // not close the innermost known open element.
  bool nameEnded();
  // The current tag ended with ">": a start tag's element is open.
  void tagEnded();

  // The hashed names of the elements opened since the last unknown byte,
  // innermost last; past kDepth the outermost are forgotten.
  static constexpr uint8_t kDepth = 24;
  std::array<uint32_t, kDepth> open_{};
  uint8_t depth_ = 0;
  uint32_t name_ = 0;    // the current tag's name, hashed
  bool endTag_ = false;  // the current tag is an end tag

  State state_ = State::kText;
  uint8_t continuations_ = 0;  // continuation bytes the last lead byte still asks for
  uint8_t quote_ = 0;
  uint16_t run_ = 0;  // length of the current name or entity
  uint64_t tags_ = 0;
};

}  // namespace kw
