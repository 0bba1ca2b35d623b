// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/head_format.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/source_file.h"
#include "formats/doc/deep/compound_file.h"
#include "formats/doc/deep/fib.h"
#include "formats/doc/deep/rtf_text.h"

namespace kw {

namespace {

// Whether `bytes` start with `prefix`, ASCII letters in any case.
bool StartsWithNoCase(std::string_view bytes, std::string_view prefix) {
  if (bytes.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if ((bytes[i] | 0x20) != (prefix[i] | 0x20)) return false;
  }
  return true;
}

bool IsHtml(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  while (!head.empty() && (head[0] == ' ' || head[0] == '\t' || head[0] == '\r' || head[0] == '\n')) {
    head.remove_prefix(1);
  }
  return StartsWithNoCase(head, "<html") || StartsWithNoCase(head, "<!doctype html");
}

}  // namespace

SourceFormat HeadFormat(SourceFile& file) {
  uint8_t head[256] = {};
  const int64_t got = file.readAt(1, head, sizeof head);
  if (got <= 0) return SourceFormat::kOther;
  const size_t n = static_cast<size_t>(got);
  if (CompoundFile::HasSignature(head, n) || FibIdent(head, n) != 0) return SourceFormat::kDoc;
  if (n >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0) return SourceFormat::kDocx;
  if (IsRtf(head, n)) return SourceFormat::kRtf;
  if (IsHtml(std::string_view(reinterpret_cast<const char*>(head), n))) return SourceFormat::kHtml;
  return SourceFormat::kOther;
}

}  // namespace kw
