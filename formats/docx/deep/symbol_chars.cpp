// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/symbol_chars.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "base/cp1252.h"

namespace kw {

namespace {

struct Mapping {
  unsigned char code;
  char32_t character;
};

// The Symbol font's letters: its Latin positions hold the Greek alphabet.
constexpr char32_t kSymbolUpper[26] = {U'Α', U'Β', U'Χ', U'Δ', U'Ε', U'Φ', U'Γ', U'Η', U'Ι', U'ϑ', U'Κ', U'Λ', U'Μ',
                                       U'Ν', U'Ο', U'Π', U'Θ', U'Ρ', U'Σ', U'Τ', U'Υ', U'ς', U'Ω', U'Ξ', U'Ψ', U'Ζ'};
constexpr char32_t kSymbolLower[26] = {U'α', U'β', U'χ', U'δ', U'ε', U'φ', U'γ', U'η', U'ι', U'ϕ', U'κ', U'λ', U'μ',
                                       U'ν', U'ο', U'π', U'θ', U'ρ', U'σ', U'τ', U'υ', U'ϖ', U'ω', U'ξ', U'ψ', U'ζ'};
constexpr Mapping kSymbolOther[] = {{0x22, U'∀'}, {0x24, U'∃'}, {0x27, U'∋'}, {0x2A, U'∗'}, {0x2D, U'−'}, {0x40, U'≅'},
                                    {0x5C, U'∴'}, {0x5E, U'⊥'}, {0xA3, U'≤'}, {0xA5, U'∞'}, {0xA7, U'♣'}, {0xA8, U'♦'},
                                    {0xA9, U'♥'}, {0xAA, U'♠'}, {0xAB, U'↔'}, {0xAC, U'←'}, {0xAD, U'↑'}, {0xAE, U'→'},
                                    {0xAF, U'↓'}, {0xB0, U'°'}, {0xB1, U'±'}, {0xB3, U'≥'}, {0xB4, U'×'}, {0xB6, U'∂'},
                                    {0xB7, U'•'}, {0xB8, U'÷'}, {0xB9, U'≠'}, {0xBA, U'≡'}, {0xBB, U'≈'}, {0xC6, U'∅'},
                                    {0xC7, U'∩'}, {0xC8, U'∪'}, {0xCE, U'∈'}, {0xD1, U'∇'}, {0xD6, U'√'}, {0xD7, U'⋅'},
                                    {0xE2, U'®'}, {0xE3, U'©'}, {0xE4, U'™'}, {0xE5, U'∑'}, {0xF2, U'∫'}};
constexpr Mapping kWingdings[] = {{0x6C, U'●'}, {0x6E, U'■'}, {0x71, U'❑'}, {0x76, U'❖'}, {0x9F, U'•'},
                                  {0xA7, U'▪'}, {0xA8, U'◻'}, {0xD8, U'➢'}, {0xFB, U'✗'}, {0xFC, U'✓'}};

template <size_t N>
char32_t Find(const Mapping (&table)[N], unsigned char code) {
  for (const Mapping& m : table) {
    if (m.code == code) return m.character;
  }
  return 0;
}

}  // namespace

char32_t SymbolChar(std::string_view font, char32_t code) {
  const bool privateUse = code >= 0xF000 && code <= 0xF0FF;
  if (!privateUse && code >= 0x100) return code;
  const unsigned char low = static_cast<unsigned char>(code & 0xFF);
  std::string name(font);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  char32_t mapped = 0;
  if (name == "symbol") {
    if (low >= 'A' && low <= 'Z')
      mapped = kSymbolUpper[low - 'A'];
    else if (low >= 'a' && low <= 'z')
      mapped = kSymbolLower[low - 'a'];
    else if ((mapped = Find(kSymbolOther, low)) == 0 && low >= 0x20 && low < 0x7F)
      mapped = low;
  } else if (name.rfind("wingdings", 0) == 0 || name == "webdings") {
    mapped = Find(kWingdings, low);
  } else {
    mapped = low >= 0x20 ? Cp1252CodePoint(low) : 0;
  }
  return mapped != 0 ? mapped : code;
}

}  // namespace kw
