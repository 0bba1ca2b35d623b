// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/text_tail.h"

#include <algorithm>
#include <cstring>

#include "base/cp1252.h"
#include "formats/docx/text/byte_scan.h"
#include "formats/docx/text/document_text.h"

namespace kw {

namespace {

// Bytes that some step of the tail changes or waits on.
bool Special(char c) { return c == '&' || c == '"' || c == '%'; }

}  // namespace

void TextTail::putRun(std::string_view run) {
  size_t i = 0;
  while (i < run.size()) {
    if (idle() && run[i] == '&') {
      const std::string_view rest = run.substr(i, kRefWindow);
      if (Decidable(rest)) {  // decoded in place, without the lookahead
        i += decodeOne(rest);
        continue;
      }
    }
    if (!idle() || Special(run[i])) {
      put(run[i++]);
      continue;
    }
    size_t end = i + 1;
    for (; end + 8 <= run.size(); end += 8) {  // a long run: words with no special byte at once
      const uint64_t v = byte_scan::Load8(run.data() + end);
      if ((byte_scan::Has(v, '&') | byte_scan::Has(v, '"') | byte_scan::Has(v, '%')) != 0) break;
    }
    while (end < run.size() && !Special(run[end])) ++end;
    out_->append(run.data() + i, end - i);
    i = end;
  }
}

size_t TextTail::decodeOne(std::string_view rest) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  if (rest.size() > 1 && rest[1] == '#') {
    const auto [codePoint, length] = CharacterReference(rest);
    if (length > 0) {
      if (codePoint < 0x80) {
        quoted(static_cast<char>(codePoint));
      } else if (amp_ == 0 && percent_ == 0) {  // bytes of 0x80 and over: no step changes them
        lead_ = 2;
        AppendUtf8(*out_, codePoint);
      } else {
        std::string utf8;
        AppendUtf8(utf8, codePoint);
        for (const char c : utf8) quoted(c);
      }
      return length;
    }
  } else {
    for (const auto& [entity, c] : kEntities) {
      if (rest.substr(0, entity.size()) == entity) {
        quoted(c);
        return entity.size();
      }
    }
  }
  quoted('&');
  return 1;
}

bool TextTail::Decidable(std::string_view rest) {
  return rest.size() >= kRefWindow || !std::all_of(rest.begin() + 1, rest.end(), Reference);
}

void TextTail::decodeReferences(bool final) {
  size_t at = 0;
  while (at < refSize_) {
    if (ref_[at] != '&') {
      quoted(ref_[at++]);
      continue;
    }
    const std::string_view rest(ref_.data() + at, refSize_ - at);
    if (!final && !Decidable(rest)) break;  // the reference may go on
    at += decodeOne(rest);
  }
  refSize_ = static_cast<uint8_t>(refSize_ - at);
  std::memmove(ref_.data(), ref_.data() + at, refSize_);
}

void TextTail::ampersand(char c) {
  if (amp_ != 0) {
    amp_ = 0;
    if (c == '#') {
      percent('#');
      return;
    }
    percent('&');
  }
  if (c == '&') {
    amp_ = 1;
  } else {
    percent(c);
  }
}

void TextTail::percent(char c) {
  if (percent_ == 1) {
    if (c == '2') {
      percent_ = 2;
      return;
    }
    percent_ = 0;
    trimmed('%');
  } else if (percent_ == 2) {
    percent_ = 0;
    if (c == '0') {
      trimmed(' ');
      return;
    }
    trimmed('%');
    trimmed('2');
  }
  if (c == '%') {
    percent_ = 1;
  } else {
    trimmed(c);
  }
}

void TextTail::trimmed(char c) {
  if (lead_ == 0) {
    if (c == ' ') return;
    if (c == '\r' || c == '\n') {
      lead_ = 1;
      return;
    }
  } else if (lead_ == 1) {
    if (c == '\r' || c == '\n') return;
  }
  lead_ = 2;
  out_->push_back(c);
}

void TextTail::finish() {
  decodeReferences(true);
  if (amp_ != 0) {
    amp_ = 0;
    percent('&');
  }
  if (percent_ != 0) {
    const uint8_t waiting = percent_;
    percent_ = 0;
    trimmed('%');
    if (waiting == 2) trimmed('2');
  }
  const size_t last = out_->find_last_not_of(' ');
  out_->resize(last == std::string::npos ? 0 : last + 1);
}

void TextTail::restore(const Snapshot& s) {
  ref_ = s.ref;
  refSize_ = s.refSize;
  amp_ = s.amp;
  percent_ = s.percent;
  lead_ = s.lead;
  out_->resize(s.outSize);
}

}  // namespace kw
