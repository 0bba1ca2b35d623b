// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReadHtmlText: the text of a web page saved under a Word name, for Deep
// Recovery, in the page's own encoding (html_encoding.h).
//
// Tags go; paragraphs, headings, list items, line breaks and table rows end a
// line, table cells end in a TAB; runs of white space are one space; the
// head, scripts, styles and comments are no text; character references are
// decoded. The file is read a megabyte at a time, twice when the page does
// not declare its encoding (once to tell UTF-8 from Windows-1252).

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/status.h"

namespace kw {

class SourceFile;
class YieldClock;

// Whether `head` (the file's first bytes) starts a web page: "<html" or
// "<!DOCTYPE html" after a byte order mark (UTF-8 or UTF-16) and white space.
bool LooksLikeHtml(const uint8_t* head, size_t size);

// Appends the page's text to *text as UTF-8, paragraphs ending in "\r\n".
Status ReadHtmlText(SourceFile& file, YieldClock* clock, std::string* text);

}  // namespace kw
