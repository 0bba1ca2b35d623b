// SPDX-License-Identifier: Apache-2.0
#include "base/message_text.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace kw {

std::string Quoted(std::string_view name) { return "\"" + Escaped(name) + "\""; }

std::string Escaped(std::string_view name) {
  std::string text;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\n': text += "\\n"; continue;
      case '\r': text += "\\r"; continue;
      case '\t': text += "\\t"; continue;
      default: break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      text += hex;
    } else {
      text += c;
    }
  }
  return text;
}

std::string ErrnoText(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace kw
