// SPDX-License-Identifier: Apache-2.0
#include "base/damage_report.h"

#include <algorithm>
#include <cstdio>

#include "base/utf8_sequence.h"

namespace kw {

void DamageReport::add(int64_t offset, int64_t length, std::string_view reader, std::string reason) {
  if (entries_.size() >= kMaxEntries) {
    ++omitted_;
    return;
  }
  entries_.push_back({offset, length, std::string(reader), std::move(reason)});
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const size_t n = Utf8SequenceLength(text.substr(i)); n > 0) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD
    }
    ++i;
  }
  return out + "\"";
}

std::string DamageReport::ToJson(std::string_view source, std::string_view mode, std::string_view error,
                                 const std::vector<PictureRecord>* pictures) const {
  return json(source, mode, error.empty() ? "ok" : "error", error, pictures);
}

std::string DamageReport::ToJson(std::string_view source, std::string_view mode, const Status& status,
                                 const std::vector<PictureRecord>* pictures) const {
  const std::string_view word = status.ok() ? "ok" : status.isEncrypted() ? "encrypted" : "error";
  return json(source, mode, word, status.ok() ? std::string_view() : std::string_view(status.message()), pictures);
}

std::string DamageReport::json(std::string_view source, std::string_view mode, std::string_view status,
                               std::string_view message, const std::vector<PictureRecord>* pictures) const {
  std::string json = "{\n  \"source\": " + JsonString(source) + ",\n  \"mode\": " + JsonString(mode) +
                     ",\n  \"status\": " + JsonString(status) + ",\n  \"message\": " + JsonString(message) +
                     ",\n  \"damage\": [";
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Damage& d = entries_[i];
    json += i == 0 ? "\n" : ",\n";
    json += "    {\"offset\": " + std::to_string(d.offset) + ", \"length\": " + std::to_string(d.length) +
            ", \"reader\": " + JsonString(d.reader) + ", \"reason\": " + JsonString(d.reason) + "}";
  }
  json += entries_.empty() ? "],\n" : "\n  ],\n";
  if (pictures != nullptr) {
    json += "  \"pictures\": [";
    for (size_t i = 0; i < pictures->size(); ++i) {
      const PictureRecord& p = (*pictures)[i];
      const int64_t bytes = p.hasBytes ? p.ownSize() : std::max<int64_t>(p.lastByte - p.firstByte + 1, 0);
      json += i == 0 ? "\n" : ",\n";
      json += "    {\"file\": " + JsonString(p.name + "." + p.ext) + ", \"reader\": " + JsonString(p.reader) +
              ", \"bytes\": " + std::to_string(bytes) + ", \"partial\": " + (p.partial ? "true" : "false") + "}";
    }
    json += pictures->empty() ? "],\n" : "\n  ],\n";
  }
  json += "  \"omitted\": " + std::to_string(omitted_) + "\n}\n";
  return json;
}

}  // namespace kw
