// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextTail: the last steps of the .docx text, on a stream of tag-free text:
// entity and character references decoded (document_text.h), then a double
// quote becomes an apostrophe, "&#" becomes "#", "%20" a space, spaces are
// trimmed from both ends and line breaks from the start (html_to_text.h).
//
// Bytes come one at a time (put) or in runs (putRun); the text is the same
// however the stream is cut. Memory beyond the text is a few bytes of
// lookahead. The state is a plain value, so that a caller may take a
// snapshot and return to it (dropping the text written since).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

class TextTail {
 public:
  explicit TextTail(std::string* out) : out_(out) {}
  // Where the text goes from now on (a tail moved to another owner).
  void setOutput(std::string* out) { out_ = out; }

  void put(char c) {
    if (refSize_ == 0 && c != '&') {
      quoted(c);
    } else {
      ref_[refSize_++] = c;
      if (refSize_ > 1 && (refSize_ == kRefWindow || !Reference(c))) decodeReferences(false);
    }
  }
  // Many bytes; those that no step changes are copied as they are.
  void putRun(std::string_view run);
  // A character reference `encoded` whose text is `decoded` (ASCII): the
  // same as putRun(encoded), without decoding it again when nothing waits.
  void putReference(std::string_view encoded, std::string_view decoded) {
    if (refSize_ != 0) return putRun(encoded);
    for (const char c : decoded) quoted(c);
  }
  // The end of the stream: what the lookahead holds, then the trailing trim.
  void finish();

  struct Snapshot {
    std::array<char, 12> ref;
    uint8_t refSize, amp, percent, lead;
    size_t outSize;
  };
  Snapshot snapshot() const { return {ref_, refSize_, amp_, percent_, lead_, out_->size()}; }
  void restore(const Snapshot& s);

 private:
  static constexpr uint8_t kRefWindow = 12;  // "&#x" with eight digits and ";"

  // A byte a reference may hold after its "&".
  static bool Reference(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '#';
  }
  bool idle() const { return refSize_ == 0 && amp_ == 0 && percent_ == 0 && lead_ == 2; }
  // Whether the reference at the "&" opening `rest` can be judged on `rest`.
  static bool Decidable(std::string_view rest);
  // Decodes the reference at the "&" opening `rest` (an "&" alone when it is
  // none) into the next steps; returns the bytes it took.
  size_t decodeOne(std::string_view rest);
  void decodeReferences(bool final);
  void quoted(char c) {
    if (amp_ == 0 && percent_ == 0 && lead_ == 2 && c != '&' && c != '%') {  // no step waits or changes it
      out_->push_back(c == '"' ? '\'' : c);
    } else {
      ampersand(c == '"' ? '\'' : c);
    }
  }
  void ampersand(char c);
  void percent(char c);
  void trimmed(char c);

  std::string* out_;
  std::array<char, kRefWindow> ref_{};  // text from an "&", not yet decoded
  uint8_t refSize_ = 0;
  uint8_t amp_ = 0;      // an "&" waits: it goes when a "#" follows
  uint8_t percent_ = 0;  // "%" (1) or "%2" (2) waits
  uint8_t lead_ = 0;     // 0: skipping spaces, 1: skipping line breaks, 2: writing
};

}  // namespace kw
