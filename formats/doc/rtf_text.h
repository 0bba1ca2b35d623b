// SPDX-License-Identifier: Apache-2.0
#pragma once
// RtfText: the text of a Rich Text Format document, for files that carry a
// .doc name but hold RTF (some writers save RTF under that name).
//
// Text in groups the RTF marks as ignorable destinations ({\*\...}) and in the
// tables that hold no document text (fonts, colours, styles, information,
// pictures, field instructions) is dropped; field results stay. \par, \line,
// \page, \sect and \row become CR LF, \tab and \cell a TAB. \'hh bytes are
// read in the document's code page (\ansicpg; Windows-1252 when it names one
// without a table here) and \uN characters are taken with the \ucN fallback
// characters after them skipped; the N bytes after \binN are binary data and
// skipped whole. No control character reaches the text
// (IsTextCharacter), whatever \'hh or \uN names, and a \' without two hex
// digits after it is dropped. Group nesting deeper than the reader keeps
// is still counted, so a hostile file cannot grow memory.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

class YieldClock;

// Whether the bytes start an RTF document.
bool IsRtf(const uint8_t* data, size_t size);

// Appends the text of the RTF `data` as UTF-8.
void AppendRtfText(const uint8_t* data, size_t size, YieldClock* clock, std::string* out);

}  // namespace kw
