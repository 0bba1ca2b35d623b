// SPDX-License-Identifier: Apache-2.0
#pragma once
// HtmlToText: markup to plain text by sixteen fixed passes.
//
// In order: CR and LF are removed; "<br>", "<br />" and "<br/>" become CR LF;
// CR LF CR LF goes before every "<div", "<span" and "<p"; a head section is
// cut ("<head" anywhere, then everything up to the first "</head>" after the
// first character, case-insensitive); tags are removed (see tag_removal.h);
// a double quote becomes an apostrophe, "&#" becomes "#", "%20" a space;
// spaces are trimmed from both ends and line breaks from the start.
// Comparisons are exact and case-sensitive except for the head cut.
// Replacements go left to right and never rescan what they inserted.
//
// The text is UTF-8; every pattern is ASCII, so bytes and characters agree.
// The two halves are exposed apart so that a caller can work on the text
// between tag removal and the quote pass.

#include <string>
#include <string_view>

namespace kw {

class YieldClock;

std::string HtmlToText(std::string_view html, YieldClock* clock = nullptr);

// Passes up to and including tag removal.
std::string HtmlMarkupPasses(std::string html, YieldClock* clock = nullptr);

// The quote, "&#", "%20" and trimming passes after tag removal.
std::string HtmlCharacterPasses(std::string text, YieldClock* clock = nullptr);

// In place, for a `to` no longer than `from`.
void ReplaceInPlace(std::string& text, std::string_view from, std::string_view to);

// Every non-overlapping occurrence of `from` (not empty) replaced by `to`,
// scanning left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace kw
