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

// Whether a run of characters reads as language, taken a character at a time.
class RunReading {
 public:
  void add(char32_t c) {
    const Kind k = KindOf(kinds_, c);
    repeat_ = (c == prev_) ? repeat_ + 1 : 0;
    prev_ = c;
    stops_ += IsCjkStop(c);
    switch (k) {
      case kLetter: {
        maxRepeat_ = std::max(maxRepeat_, repeat_);
        ++letters_;
        const int s = Script(c);
        if (lastScript_ && s != lastScript_) ++switches_;
        lastScript_ = s;
        if (s >= kWideScript) {
          ++wide_;
          rising_ += c > prevWide_;  // tables of rising 16-bit offsets read as ideographs
          prevWide_ = c;
          const uint32_t lo = c & 0xFF, hi = c >> 8;
          misread_ += lo == 0 || (lo >= 0x20 && lo < 0x7F && hi >= 0x20 && hi < 0x7F);  // 8-bit text as UTF-16
        }
        if (tokens_.other > 0) ++tokens_.inner;  // a letter after punctuation inside a token
        tokens_.letter(c);
        break;
      }
      case kDigit:
        if (tokens_.letters > 0) ++tokens_.inner;
        ++tokens_.digits;
        break;
      case kPunct:
        ++punct_;
        ++tokens_.other;
        break;
      case kSpace:
      case kControl:
      case kNone:
        spaces_ += k == kSpace;
        tokens_.end();
        break;
    }
  }

  // After the run's last character.
  bool reads(bool eightBit) {
    tokens_.end();
    if (switches_ * 10 > letters_ || maxRepeat_ >= 4) return false;
    if (wide_ * 2 > letters_) {  // CJK and Hangul: a sentence stop, or a long run
      if (misread_ * 3 >= wide_ || (wide_ >= 5 && rising_ * 10 >= wide_ * 8)) return false;
      return (stops_ > 0 && wide_ >= 2) || wide_ >= 12;
    }
    if (letters_ < (eightBit ? 6 : 4) || punct_ * 3 > letters_ + spaces_) return false;
    if (tokens_.clean * 10 < tokens_.total * 7 || tokens_.longest < 2) return false;
    if (eightBit && tokens_.clean < 2) return false;
    return letters_ / (spaces_ + 1) <= 20;
  }

  int letters() const { return letters_; }

 private:
  const std::array<Kind, 0x10000>& kinds_ = Kinds();
  int letters_ = 0, spaces_ = 0, punct_ = 0, switches_ = 0, wide_ = 0, misread_ = 0, stops_ = 0;
  int lastScript_ = 0, repeat_ = 0, maxRepeat_ = 0, rising_ = 0;
  char32_t prev_ = 0, prevWide_ = 0;
  Tokens tokens_;
};

// Bytes read at a time: even, so that no UTF-16 unit is split.
constexpr size_t kChunk = size_t(1) << 16;

// One scan: the UTF-16 runs in order; before each one kept, the 8-bit runs
// in the stretch since the last one; each kept run written as it is found,
// its bytes read again.
class Scan {
 public:
  Scan(const ByteReader& read, size_t size, CodePage page, YieldClock* clock, std::string* out)
      : read_(read), size_(size), page_(page), clock_(clock), writer_(out) {
    for (int b = 0; b < 256; ++b) {
      points_[b] = CodePagePoint(page, static_cast<uint8_t>(b));
      byteKinds_[b] = KindOf(kinds_, points_[b]);
      if (byteKinds_[b] == kLetter && Script(points_[b]) >= kWideScript) leastNarrowLetters_ = kLeastLetters;
    }
  }

  ScanResult run() {
    writer_.beginStory();
    size_t from = 0;  // where the stretch for 8-bit runs begins
    for (size_t i = 0; i + 1 < size_;) {
      if (stopped(i)) break;
      RunReading reading;
      size_t j = i;
      while (j + 1 < size_) {
        const size_t n = std::min(kChunk, (size_ - j) & ~size_t(1));
        const uint8_t* d = read_(j, n);
        size_t k = 0;
        for (; k < n; k += 2) {
          const char32_t c = d[k] | (d[k + 1] << 8);
          if (kinds_[c] == kNone) break;
          reading.add(c);
        }
        j += k;
        if (k < n) break;
      }
      if (reading.letters() >= kLeastLetters && reading.reads(false)) {
        narrowRuns(from, i);
        write(i, j, false);
        from = j;
      }
      i = j + 2;
    }
    narrowRuns(from, size_);
    return result_;
  }

 private:
  bool stopped(size_t i) {
    if ((i & 0xFFFF) != 0 || clock_ == nullptr) return false;
    clock_->tick();
    return clock_->stopped();
  }

  // The 8-bit runs in [from, to).
  void narrowRuns(size_t from, size_t to) {
    for (size_t i = from; i < to;) {
      if (stopped(i)) break;
      RunReading reading;
      size_t j = i;
      while (j < to) {
        const size_t n = std::min(kChunk, to - j);
        const uint8_t* d = read_(j, n);
        size_t k = 0;
        for (; k < n && byteKinds_[d[k]] != kNone; ++k) reading.add(points_[d[k]]);
        j += k;
        if (k < n) break;
      }
      if (j - i >= 5 && reading.letters() >= leastNarrowLetters_ && reading.reads(true)) write(i, j, true);
      i = j + 1;
    }
  }

  void write(size_t begin, size_t end, bool eightBit) {
    for (size_t at = begin; at < end;) {
      const size_t n = std::min(kChunk, end - at);
      const uint8_t* d = read_(at, n);
      if (eightBit) {
        for (size_t k = 0; k < n; ++k) writer_.put(char16_t(CodePagePoint(page_, d[k])));
      } else {
        for (size_t k = 0; k + 1 < n; k += 2) writer_.put(char16_t(d[k] | (d[k + 1] << 8)));
      }
      at += n;
    }
    writer_.endStory();
    ++result_.runs;
    result_.bytes += end - begin;
  }

  const ByteReader& read_;
  size_t size_;
  CodePage page_;
  YieldClock* clock_;
  WordTextWriter writer_;
  const std::array<Kind, 0x10000>& kinds_ = Kinds();
  std::array<char32_t, 256> points_{};  // the characters of the code page's bytes and their kinds
  std::array<Kind, 256> byteKinds_{};
  int leastNarrowLetters_ = kLeastEightBitLetters;
  ScanResult result_;
};

}  // namespace

ScanResult ScanForText(const ByteReader& read, size_t size, CodePage page, YieldClock* clock, std::string* out) {
  return Scan(read, size, page, clock, out).run();
}

ScanResult ScanForText(const uint8_t* data, size_t size, CodePage page, YieldClock* clock, std::string* out) {
  return ScanForText([data](size_t offset, size_t) { return data + offset; }, size, page, clock, out);
}

}  // namespace kw
