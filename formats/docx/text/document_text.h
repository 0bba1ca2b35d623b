// SPDX-License-Identifier: Apache-2.0
#pragma once
// The text of a .docx main document: its XML through HtmlToText, with the
// steps that the document's own format needs around it.
//
// Before: the bytes are decoded as UTF-8 (a byte that is not part of a valid
// sequence is taken as Windows-1252; a leading byte-order mark is dropped),
// and the breaks that the markup stands for are written as character
// references, which survive HtmlToText's removal of CR, LF and tags: the end
// of every w:p paragraph and every w:br and w:cr give CR LF, every w:tab a
// TAB (not the tab stops inside w:tabs). A ">" in character data is written
// as a reference too, so that it cannot stop the tag removal early.
// Between tag removal and the quote pass: entity and character references
// are decoded.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "base/utf8_sequence.h"

namespace kw {

class YieldClock;

std::string DocumentXmlToText(std::string_view xml, YieldClock* clock = nullptr);

// The steps on their own.
std::string DecodeUtf8Lenient(std::string_view bytes);
std::string MarkBreaks(std::string_view xml, YieldClock* clock = nullptr);
std::string DecodeReferences(std::string text, YieldClock* clock = nullptr);

// The rules the steps apply, shared with the streaming pass (document_stream.h).
// Utf8SequenceLength (base/utf8_sequence.h) says where a valid character ends.
// The element name of a tag's text ("<w:p w:x='1'>" gives "w:p", "</w:p>" gives "w:p").
std::string_view TagName(std::string_view tag);
// The code point of the character reference at the start of `s` ("&#233;",
// "&#xE9;") and its length, or length 0.
std::pair<char32_t, size_t> CharacterReference(std::string_view s);
// The reference MarkBreaks writes after the whole tag `tag` ("<...>"), or
// nothing; *tabStops is the depth of w:tabs, which the tag may change.
std::string_view BreakMark(std::string_view tag, int* tabStops);

}  // namespace kw
