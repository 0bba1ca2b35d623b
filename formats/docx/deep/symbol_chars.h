// SPDX-License-Identifier: Apache-2.0
#pragma once
// SymbolChar: the character a w:sym element stands for.
//
// Word stores a symbol as a font and a code, usually in the private-use
// range U+F000..U+F0FF ("F0B7" in the Symbol font is a bullet). Where the
// font's character has a plain Unicode equivalent (Symbol's Greek letters,
// arrows and operators, Wingdings' common bullets and ticks, any other
// font's code page letters) that equivalent is returned; otherwise the code
// itself, so that nothing is silently lost.

#include <string_view>

namespace kw {

char32_t SymbolChar(std::string_view font, char32_t code);

}  // namespace kw
