// SPDX-License-Identifier: Apache-2.0
#pragma once
// SourceFormat: what a job found its source to be, as the engine that read
// it saw it (a reader that parses the file knows; the others go by its first
// bytes, which they read anyway).

namespace kw {

enum class SourceFormat {
  kOther,
  kDoc,   // a Word compound file, or a Word 2.0 or 6.0 main stream without one
  kDocx,  // a ZIP package
  kRtf,   // Rich Text Format, which some writers save under a .doc name
  kHtml,  // a web page saved under a Word name
};

// "other", "doc", "docx", "rtf" or "html".
inline const char* SourceFormatName(SourceFormat format) {
  switch (format) {
    case SourceFormat::kDoc: return "doc";
    case SourceFormat::kDocx: return "docx";
    case SourceFormat::kRtf: return "rtf";
    case SourceFormat::kHtml: return "html";
    case SourceFormat::kOther: break;
  }
  return "other";
}

}  // namespace kw
