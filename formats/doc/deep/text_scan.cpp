// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/text_scan.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/yield_clock.h"
#include "formats/doc/deep/scan_guard.h"
#include "formats/doc/deep/word_text.h"

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

// Scripts from this one on are wide (kana, CJK ideographs, Hangul).
constexpr int kWideScript = 7;

// A character's code in the count: its kind (kNone ends a run), whether it
// is a wide letter and whether a CJK stop.
constexpr uint8_t kWideBit = 8, kStopBit = 16;

uint8_t CountCode(char32_t c) {
  const Kind k = Classify(c);
  return uint8_t(k | (k == kLetter && Script(c) >= kWideScript ? kWideBit : 0) | (IsCjkStop(c) ? kStopBit : 0));
}

// CountCode for every UTF-16 code unit, worked out once: the scan asks for
// each byte pair and each byte of the file.
const std::array<uint8_t, 0x10000>& UnitCodes() {
  static const std::array<uint8_t, 0x10000> codes = [] {
    std::array<uint8_t, 0x10000> c{};
    for (char32_t u = 0; u < 0x10000; ++u) c[u] = CountCode(u);
    return c;
  }();
  return codes;
}

// Classify through the table (every character the scan sees is a code unit).
inline Kind KindOf(const std::array<uint8_t, 0x10000>& codes, char32_t c) {
  return c < 0x10000 ? Kind(codes[c] & 7) : Classify(c);
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

// ReadsAsText accepts no run with fewer letters than two (wide text needs
// two wide letters), nor an 8-bit run with fewer than six when none of its
// letters is wide: the scan asks it only about runs with as many.
constexpr int kLeastLetters = 2;
constexpr int kLeastEightBitLetters = 6;

// Whether a run of characters reads as language, taken a character at a time.
class RunReading {
 public:
  void add(char32_t c) {
    const Kind k = KindOf(codes_, c);
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
        if (separatorsLeft_ > 0 && k != kNone) {
          // The words still to come are at most one more than the separators
          // left: lost when too few would be clean even if all of them were.
          const int64_t most = --separatorsLeft_ + 1;
          lost_ = (tokens_.clean + most) * 10 < (tokens_.total + most) * 7 || tokens_.clean + most < 2;
        }
        break;
    }
  }

  // For an 8-bit run on a page without wide letters, whose spaces and
  // controls are counted: lost() is true once the run cannot read as text.
  void expectSeparators(int64_t separators) { separatorsLeft_ = separators; }
  bool lost() const { return lost_; }

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

 private:
  const std::array<uint8_t, 0x10000>& codes_ = UnitCodes();
  int letters_ = 0, spaces_ = 0, punct_ = 0, switches_ = 0, wide_ = 0, misread_ = 0, stops_ = 0;
  int lastScript_ = 0, repeat_ = 0, maxRepeat_ = 0, rising_ = 0;
  char32_t prev_ = 0, prevWide_ = 0;
  Tokens tokens_;
  int64_t separatorsLeft_ = 0;
  bool lost_ = false;
};

// What a run must hold to read as text, in counts alone: RunReading reads
// a run only when they allow it. Most runs in bytes that hold no text
// (random or compressed data, tables of numbers) are a few characters each
// and fail here, counted at a table lookup per character.
struct RunCounts {
  int64_t letters = 0, wide = 0, punct = 0, spaces = 0, separators = 0, stops = 0;
};

// False for every run RunReading::reads rejects for its counts alone: too
// few letters, too much punctuation, letters without spaces, wide letters
// without a sentence stop nor enough of them, or (8-bit) no space or control
// to part the two words it needs.
bool MayRead(const RunCounts& n, bool eightBit) {
  if (n.wide * 2 > n.letters) return (n.stops > 0 && n.wide >= 2) || n.wide >= 12;
  if (n.letters < (eightBit ? 6 : 4) || n.punct * 3 > n.letters + n.spaces) return false;
  if (eightBit && n.separators == 0) return false;
  return n.letters / (n.spaces + 1) <= 20;
}

// The counts are added up for each character as one word of six 10-bit
// lanes (a lane holds the count of 64 characters), taken out into RunCounts
// a word of characters at a time. The top bit marks a character of no kind;
// added up it carries into nothing.
constexpr int kLaneBits = 10;
constexpr uint64_t kNoKind = uint64_t(1) << 63;

struct CountLanes {
  std::array<uint64_t, 32> of{};  // the lanes to add for each code
  CountLanes() {
    for (int code = 0; code < 32; ++code) {
      const int k = code & 7;
      const int lanes[6] = {k == kLetter, k == kLetter && (code & kWideBit), k == kPunct,
                            k == kSpace,  k == kSpace || k == kControl,      (code & kStopBit) != 0};
      for (int i = 0; i < 6; ++i) of[code] |= uint64_t(lanes[i]) << (kLaneBits * i);
      if (k == kNone) of[code] |= kNoKind;
    }
  }
  static int64_t Lane(uint64_t lanes, int i) { return int64_t((lanes >> (kLaneBits * i)) & ((1u << kLaneBits) - 1)); }
  static void Add(uint64_t lanes, RunCounts* n) {
    n->letters += Lane(lanes, 0);
    n->wide += Lane(lanes, 1);
    n->punct += Lane(lanes, 2);
    n->spaces += Lane(lanes, 3);
    n->separators += Lane(lanes, 4);
    n->stops += Lane(lanes, 5);
  }
};

// Bytes read at a time: even, so that no UTF-16 unit is split.
constexpr size_t kChunk = size_t(1) << 16;

// One scan: the UTF-16 runs in order; before each one kept, the 8-bit runs
// in the stretch since the last one; each kept run written as it is found.
// A run is counted as it is found, read again through RunReading when its
// counts allow it to read as text, and a third time to be written.
class Scan {
 public:
  Scan(const ByteReader& read, size_t size, CodePage page, YieldClock* clock, std::string* out, bool judgeEveryRun)
      : read_(read), size_(size), page_(page), clock_(clock), writer_(out), judgeEveryRun_(judgeEveryRun) {
    for (int b = 0; b < 256; ++b) {
      points_[b] = CodePagePoint(page, static_cast<uint8_t>(b));
      const uint8_t code = CountCode(points_[b]);
      byteLanes_[b] = countLanes_.of[code];
      wideBytes_ |= (code & (kWideBit | kStopBit)) != 0;
      if (code & kWideBit) leastNarrowLetters_ = kLeastLetters;
    }
  }

  ScanResult run() {
    writer_.beginStory();
    size_t from = 0;  // where the stretch for 8-bit runs begins
    // What MayRead needs of a UTF-16 run: wide letters with a stop or twelve
    // of them, or at least two narrow letters (as many as the wide ones).
    const auto maybe = [](uint64_t lanes, size_t) {
      const int64_t letters = CountLanes::Lane(lanes, 0), wide = CountLanes::Lane(lanes, 1);
      return (letters - wide >= 2) | (CountLanes::Lane(lanes, 5) != 0) | (wide >= 12);
    };
    const bool whole = eachRun<2>(0, size_ & ~size_t(1), maybe, [&](size_t begin, size_t end, const RunCounts& n) {
      if (n.letters < kLeastLetters || !mayRead(n, false) || !reads(begin, end, n, false)) return false;
      narrowRuns(from, begin);
      write(begin, end, false);
      from = end;
      return true;
    });
    if (whole) narrowRuns(from, size_);
    return result_;
  }

 private:
  bool stopped() {
    if (clock_ == nullptr) return false;
    clock_->tick();
    return clock_->stopped();
  }

  bool mayRead(const RunCounts& n, bool eightBit) const { return judgeEveryRun_ || MayRead(n, eightBit); }

  // Calls onRun(begin, end, counts) for every run of [from, to) in order
  // (the characters between two of no kind, each kUnit bytes) that `maybe`
  // lets through: maybe(lanes, bytes) is asked about a run that begins and
  // ends in one word of 64 characters, and must be true for every run onRun
  // may take. onRun says whether it read bytes. The characters are counted
  // a word at a time without a branch, and the runs found by their ends'
  // bits: a run costs no mispredicted branch. False when the clock stopped
  // the scan.
  template <size_t kUnit, typename Maybe, typename OnRun>
  bool eachRun(size_t from, size_t to, Maybe&& maybe, OnRun&& onRun) {
    const std::array<uint8_t, 0x10000>& unitCodes = UnitCodes();
    size_t begin = from;
    RunCounts carried;  // of the run's characters in the words before
    for (size_t at = from; at < to;) {
      if (stopped()) return false;
      const size_t n = std::min(kChunk, to - at);
      const uint8_t* d = read_(at, n);
      for (size_t w = 0; w < n; w += 64 * kUnit) {
        const size_t chars = std::min<size_t>(64, (n - w) / kUnit);
        std::array<uint64_t, 65> before;  // the lanes of the word's characters before each
        uint64_t ends = 0, sum = 0;
        const auto count = [&](size_t i) {
          const uint8_t* c = d + w + i * kUnit;
          const uint64_t lanes = kUnit == 2 ? countLanes_.of[unitCodes[c[0] | (c[1] << 8)]] : byteLanes_[c[0]];
          before[i] = sum;
          sum += lanes;
          ends = (ends >> 1) | (lanes & kNoKind);  // the top bit shifted down to the character's
        };
        if (chars == 64) {
#pragma GCC unroll 16
          for (size_t i = 0; i < 64; ++i) count(i);
        } else {
          for (size_t i = 0; i < chars; ++i) count(i);
          ends = chars > 0 ? ends >> (64 - chars) : 0;
        }
        before[chars] = sum;
        const size_t wordAt = at + w;
        uint64_t beginLanes = 0;
        for (; ends != 0; ends &= ends - 1) {
          const size_t i = size_t(__builtin_ctzll(ends));
          const size_t end = wordAt + i * kUnit;
          const uint64_t lanes = before[i] - beginLanes;
          if (judgeEveryRun_ || begin < wordAt || maybe(lanes, end - begin)) {
            RunCounts counts = carried;
            CountLanes::Add(lanes, &counts);
            if (onRun(begin, end, counts)) d = read_(at, n);
          }
          carried = RunCounts{};
          begin = end + kUnit;
          beginLanes = before[i + 1];
        }
        CountLanes::Add(sum - beginLanes, &carried);
      }
      at += n;
    }
    onRun(begin, to, carried);
    return true;
  }

  // The 8-bit runs in [from, to).
  void narrowRuns(size_t from, size_t to) {
    // What an 8-bit run needs: five bytes and enough letters, and on a page
    // without wide letters a space or control and not too much punctuation.
    const auto maybe = [this](uint64_t lanes, size_t bytes) {
      const int64_t letters = CountLanes::Lane(lanes, 0);
      const bool counts = wideBytes_ || ((CountLanes::Lane(lanes, 4) != 0) &&
                                         (CountLanes::Lane(lanes, 2) * 3 <= letters + CountLanes::Lane(lanes, 3)));
      return (bytes >= 5) & (letters >= leastNarrowLetters_) & counts;
    };
    eachRun<1>(from, to, maybe, [&](size_t begin, size_t end, const RunCounts& n) {
      if (end - begin < 5 || n.letters < leastNarrowLetters_ || !mayRead(n, true) || !reads(begin, end, n, true)) {
        return false;
      }
      write(begin, end, true);
      return true;
    });
  }

  // Whether [begin, end), counted as `counts`, reads as text, taken a
  // character at a time.
  bool reads(size_t begin, size_t end, const RunCounts& counts, bool eightBit) {
    ++result_.judged;
    RunReading reading;
    if (eightBit && !wideBytes_ && !judgeEveryRun_) reading.expectSeparators(counts.separators);
    for (size_t at = begin; at < end;) {
      const size_t n = std::min(kChunk, end - at);
      const uint8_t* d = read_(at, n);
      if (eightBit) {
        for (size_t k = 0; k < n && !reading.lost(); ++k) reading.add(points_[d[k]]);
        if (reading.lost()) return false;
      } else {
        for (size_t k = 0; k + 1 < n; k += 2) reading.add(char32_t(d[k] | (d[k + 1] << 8)));
      }
      at += n;
    }
    return reading.reads(eightBit);
  }

  void write(size_t begin, size_t end, bool eightBit) {
    if (junk(begin, end, eightBit)) return;
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

  // The last judgement on a run (scan_guard.h), over its characters.
  bool junk(size_t begin, size_t end, bool eightBit) {
    RunGuard guard;
    for (size_t at = begin; at < end;) {
      const size_t n = std::min(kChunk, end - at);
      const uint8_t* d = read_(at, n);
      const size_t step = eightBit ? 1 : 2;
      for (size_t k = 0; k + step <= n; k += step)
        guard.add(eightBit ? points_[d[k]] : char32_t(d[k] | (d[k + 1] << 8)));
      at += n;
    }
    return guard.junk();
  }

  const ByteReader& read_;
  size_t size_;
  CodePage page_;
  YieldClock* clock_;
  WordTextWriter writer_;
  bool judgeEveryRun_;
  const CountLanes countLanes_;
  std::array<char32_t, 256> points_{};  // the characters of the code page's bytes and their lanes
  std::array<uint64_t, 256> byteLanes_{};
  bool wideBytes_ = false;  // some byte is a wide letter or a CJK stop
  int leastNarrowLetters_ = kLeastEightBitLetters;
  ScanResult result_;
};

}  // namespace

ScanResult ScanForText(const ByteReader& read, size_t size, CodePage page, YieldClock* clock, std::string* out) {
  return Scan(read, size, page, clock, out, false).run();
}

ScanResult ScanForTextJudgingEveryRun(const uint8_t* data, size_t size, CodePage page, std::string* out) {
  return Scan([data](size_t offset, size_t) { return data + offset; }, size, page, nullptr, out, true).run();
}

ScanResult ScanForText(const uint8_t* data, size_t size, CodePage page, YieldClock* clock, std::string* out) {
  return ScanForText([data](size_t offset, size_t) { return data + offset; }, size, page, clock, out);
}

}  // namespace kw
