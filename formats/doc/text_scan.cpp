// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_scan.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/yield_clock.h"
#include "formats/doc/word_text.h"

namespace kw {

namespace {

enum Kind : uint8_t { kNone, kControl, kSpace, kPunct, kDigit, kLetter };

// The script of a letter: runs of real text keep to one (plus Latin).
int Script(char32_t c) {
  if (c < 0x250) return 1;
  if (c < 0x400) return 2;   // Greek
  if (c < 0x530) return 3;   // Cyrillic
  if (c < 0x600) return 4;   // Hebrew
  if (c < 0x700) return 5;   // Arabic
  if (c < 0xE80) return 6;   // Thai
  if (c < 0xAC00) return 7;  // kana and CJK ideographs
  return 8;                  // Hangul
}

Kind Classify(char32_t c) {
  switch (c) {
    case 0x09:
    case 0x0D: return kSpace;
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x13:
    case 0x14:
    case 0x15:
    case 0x01:
    case 0x08:
    case 0x1E:
    case 0x1F: return kControl;
    default: break;
  }
  if (c == 0x20 || c == 0xA0 || c == 0x3000) return kSpace;
  if (c >= '0' && c <= '9') return kDigit;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return kLetter;
  if (c > 0x20 && c < 0x7F) return kPunct;
  if (c >= 0xA1 && c <= 0xBF) return kPunct;
  if (c >= 0xC0 && c <= 0x24F) return (c == 0xD7 || c == 0xF7) ? kPunct : kLetter;
  if (c >= 0x386 && c <= 0x3CE) return kLetter;  // Greek
  if (c >= 0x400 && c <= 0x4FF) return kLetter;  // Cyrillic
  if (c >= 0x5D0 && c <= 0x5EA) return kLetter;  // Hebrew
  if (c >= 0x621 && c <= 0x64A) return kLetter;  // Arabic
  if (c >= 0xE01 && c <= 0xE5B) return kLetter;  // Thai
  if (c >= 0x2010 && c <= 0x2027) return kPunct;
  if (c == 0x20AC || c == 0x2122) return kPunct;
  if (c >= 0x3001 && c <= 0x3011) return kPunct;
  if (c >= 0x3041 && c <= 0x30FF) return kLetter;
  if (c >= 0x4E00 && c <= 0x9FFF) return kLetter;
  if (c >= 0xAC00 && c <= 0xD7A3) return kLetter;
  if (c >= 0xFF01 && c <= 0xFF5E) return kPunct;
  return kNone;
}

// Classify for every UTF-16 code unit, worked out once: the scan asks for
// each byte pair and each byte of the file.
const std::array<Kind, 0x10000>& Kinds() {
  static const std::array<Kind, 0x10000> kinds = [] {
    std::array<Kind, 0x10000> k{};
    for (char32_t c = 0; c < 0x10000; ++c) k[c] = Classify(c);
    return k;
  }();
  return kinds;
}

// Classify through the table (every character the scan sees is a code unit).
inline Kind KindOf(const std::array<Kind, 0x10000>& kinds, char32_t c) { return c < 0x10000 ? kinds[c] : Classify(c); }

bool IsVowel(char32_t c) {
  switch (c | 0x20) {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
    case 'y': return true;
    default: return c >= 0xC0;  // accented letters are mostly vowels
  }
}

bool IsUpper(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE) || (c >= 0x391 && c <= 0x3AB) || (c >= 0x400 && c <= 0x42F);
}

bool IsCjkStop(char32_t c) {
  return c == 0x3001 || c == 0x3002 || c == 0xFF0C || c == 0xFF01 || c == 0xFF1F || c == 0xFF1A || c == 0xFF1B;
}

// Word shapes: a token (between spaces) is clean when, without the
// punctuation around it, it is all digits, or all letters in one case
// pattern (lower, Capitalised, UPPER) with a vowel when it is Latin and long.
struct Tokens {
  int total = 0, clean = 0, longest = 0;
  int letters = 0, digits = 0, other = 0, upperAfterLower = 0, uppers = 0, vowels = 0, latin = 0, inner = 0;
  bool lowerSeen = false;
  void letter(char32_t c) {
    const bool up = IsUpper(c);
    if (up && lowerSeen) ++upperAfterLower;
    if (up) ++uppers;
    lowerSeen = !up;
    ++letters;
    if (Script(c) == 1) {
      ++latin;
      vowels += IsVowel(c);
    }
  }
  void end() {
    if (letters + digits + other == 0) return reset();
    ++total;
    const bool shaped = upperAfterLower == 0 && (uppers <= 1 || uppers == letters);
    const bool vowelled = latin < 4 || vowels > 0;
    if ((letters > 0 && digits == 0 && inner == 0 && shaped && vowelled) ||
        (letters == 0 && digits > 0 && inner == 0)) {
      ++clean;
      longest = std::max(longest, letters);
    }
    reset();
  }
  void reset() {
    letters = digits = other = upperAfterLower = uppers = vowels = latin = inner = 0;
    lowerSeen = false;
  }
};

// Scripts from this one on are wide (kana, CJK ideographs, Hangul).
constexpr int kWideScript = 7;
// ReadsAsText accepts no run with fewer letters than two (wide text needs
// two wide letters), nor an 8-bit run with fewer than six when none of its
// letters is wide: the scan asks it only about runs with as many.
constexpr int kLeastLetters = 2;
constexpr int kLeastEightBitLetters = 6;

// Whether a run of characters reads as language.
bool ReadsAsText(const std::vector<char32_t>& run, bool eightBit) {
  int letters = 0, spaces = 0, punct = 0, switches = 0, wide = 0, misread = 0, stops = 0;
  int lastScript = 0, repeat = 0, maxRepeat = 0, rising = 0;
  char32_t prev = 0, prevWide = 0;
  Tokens tokens;
  const auto& kinds = Kinds();
  for (char32_t c : run) {
    const Kind k = KindOf(kinds, c);
    repeat = (c == prev) ? repeat + 1 : 0;
    prev = c;
    stops += IsCjkStop(c);
    switch (k) {
      case kLetter: {
        maxRepeat = std::max(maxRepeat, repeat);
        ++letters;
        const int s = Script(c);
        if (lastScript && s != lastScript) ++switches;
        lastScript = s;
        if (s >= kWideScript) {
          ++wide;
          rising += c > prevWide;  // tables of rising 16-bit offsets read as ideographs
          prevWide = c;
          const uint32_t lo = c & 0xFF, hi = c >> 8;
          misread += lo == 0 || (lo >= 0x20 && lo < 0x7F && hi >= 0x20 && hi < 0x7F);  // 8-bit text as UTF-16
        }
        if (tokens.other > 0) ++tokens.inner;  // a letter after punctuation inside a token
        tokens.letter(c);
        break;
      }
      case kDigit:
        if (tokens.letters > 0) ++tokens.inner;
        ++tokens.digits;
        break;
      case kPunct:
        ++punct;
        ++tokens.other;
        break;
      case kSpace:
      case kControl:
      case kNone:
        spaces += k == kSpace;
        tokens.end();
        break;
    }
  }
  tokens.end();
  if (switches * 10 > letters || maxRepeat >= 4) return false;
  if (wide * 2 > letters) {  // CJK and Hangul: a sentence stop, or a long run
    if (misread * 3 >= wide || (wide >= 5 && rising * 10 >= wide * 8)) return false;
    return (stops > 0 && wide >= 2) || wide >= 12;
  }
  if (letters < (eightBit ? 6 : 4) || punct * 3 > letters + spaces) return false;
  if (tokens.clean * 10 < tokens.total * 7 || tokens.longest < 2) return false;
  if (eightBit && tokens.clean < 2) return false;
  return letters / (spaces + 1) <= 20;
}

struct Run {
  size_t begin = 0, end = 0;
  bool eightBit = false;
};

}  // namespace

ScanResult ScanForText(const uint8_t* data, size_t size, CodePage page, YieldClock* clock, std::string* out) {
  ScanResult result;
  const auto& kinds = Kinds();
  // The characters of the code page's bytes and their kinds.
  std::array<char32_t, 256> points{};
  std::array<Kind, 256> byteKinds{};
  int leastNarrowLetters = kLeastEightBitLetters;
  for (int b = 0; b < 256; ++b) {
    points[b] = CodePagePoint(page, static_cast<uint8_t>(b));
    byteKinds[b] = KindOf(kinds, points[b]);
    if (byteKinds[b] == kLetter && Script(points[b]) >= kWideScript) leastNarrowLetters = kLeastLetters;
  }
  std::vector<Run> runs;
  std::vector<char32_t> chars;
  // UTF-16LE at even offsets.
  for (size_t i = 0; i + 1 < size;) {
    if ((i & 0xFFFF) == 0 && clock) {
      clock->tick();
      if (clock->stopped()) break;
    }
    size_t j = i;
    int letters = 0;
    chars.clear();
    while (j + 1 < size) {
      const char32_t c = data[j] | (data[j + 1] << 8);
      const Kind k = kinds[c];
      if (k == kNone) break;
      letters += k == kLetter;
      chars.push_back(c);
      j += 2;
    }
    if (letters >= kLeastLetters && ReadsAsText(chars, false)) runs.push_back({i, j, false});
    i = j + 2;
  }
  // 8-bit text between the UTF-16 runs.
  std::vector<Run> narrow;
  size_t from = 0;
  for (size_t r = 0; r <= runs.size(); ++r) {
    const size_t to = r < runs.size() ? runs[r].begin : size;
    for (size_t i = from; i < to;) {
      if ((i & 0xFFFF) == 0 && clock) {
        clock->tick();
        if (clock->stopped()) break;
      }
      size_t j = i;
      int letters = 0;
      chars.clear();
      while (j < to) {
        const Kind k = byteKinds[data[j]];
        if (k == kNone) break;
        letters += k == kLetter;
        chars.push_back(points[data[j]]);
        ++j;
      }
      if (j - i >= 5 && letters >= leastNarrowLetters && ReadsAsText(chars, true)) narrow.push_back({i, j, true});
      i = j + 1;
    }
    if (r < runs.size()) from = runs[r].end;
  }
  runs.insert(runs.end(), narrow.begin(), narrow.end());
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.begin < b.begin; });
  WordTextWriter writer(out);
  writer.beginStory();
  for (const Run& r : runs) {
    if (r.eightBit) {
      for (size_t i = r.begin; i < r.end; ++i) writer.put(char16_t(CodePagePoint(page, data[i])));
    } else {
      for (size_t i = r.begin; i + 1 < r.end; i += 2) writer.put(char16_t(data[i] | (data[i + 1] << 8)));
    }
    writer.endStory();
    ++result.runs;
    result.bytes += r.end - r.begin;
  }
  return result;
}

}  // namespace kw
