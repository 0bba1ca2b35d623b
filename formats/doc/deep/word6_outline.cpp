// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/word6_outline.h"

#include <algorithm>

#include "formats/doc/deep/doc_numbers.h"
#include "formats/doc/deep/fib.h"
#include "formats/doc/deep/stream_source.h"

namespace kw {

namespace {

constexpr size_t kMaxStyles = 4096;
constexpr int kMaxStyleChain = 16;
constexpr size_t kMaxSections = 4096;
constexpr uint32_t kMaxSepx = 1024;  // bytes of a section's properties read
constexpr uint16_t kNoStyle = 0x0FFF;
constexpr uint8_t kSprmPAnld = 12;
constexpr uint8_t kSprmPNLvlAnm = 13;
constexpr uint8_t kSprmSOlstAnm = 133;
constexpr size_t kAnlv = 16;
constexpr size_t kOlstText = 9 * kAnlv + 4;  // OLST.rgch: 64 8-bit characters
constexpr size_t kOlst = kOlstText + 64;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// The operand size of Word 6 paragraph sprm `sprm` (a one-byte code);
// 0 for one of variable size (a length byte first), -1 for one not known.
int ParagraphOperandSize(uint8_t sprm) {
  static constexpr int8_t kSizes[52] = {-1, -1, 2, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0,  // 0-15
                                        2,  2,  2, 2, 4, 2, 2, 0, 1, 1, 2, 2, 2, 1, 2, 2,  // 16-31
                                        2,  2,  2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2,  // 32-47
                                        2,  2,  1, 1};                                     // 48-51
  return sprm < 52 ? kSizes[sprm] : -1;
}

// The same for Word 6 section sprms (131-171).
int SectionOperandSize(uint8_t sprm) {
  static constexpr int8_t kSizes[41] = {1, 1, 0, -1, -1, 3, 3, 1, 1, 2, 2, 1,  1, 2, 2, 1, 1, 2, 2, 1, 1,  // 131-151
                                        1, 1, 2, 2,  2,  2, 1, 1, 2, 2, 1, -1, 2, 2, 2, 2, 2, 2, 2, 2};    // 152-171
  return sprm >= 131 && sprm <= 171 ? kSizes[sprm - 131] : -1;
}

// The operand of the first sprm `wanted` among `g`; false when it is not there.
bool FindSectionSprm(const uint8_t* g, size_t n, uint8_t wanted, const uint8_t** operand, size_t* size) {
  for (size_t i = 0; i < n;) {
    const uint8_t sprm = g[i++];
    int len = SectionOperandSize(sprm);
    if (len < 0) return false;
    if (len == 0) {
      if (i >= n) return false;
      len = g[i++];
    }
    if (i + size_t(len) > n) return false;
    if (sprm == wanted) {
      *operand = g + i;
      *size = size_t(len);
      return true;
    }
    i += size_t(len);
  }
  return false;
}

// An OLST's levels as ANLDs: each ANLV, then its texts before and after,
// which follow those of the levels above it in the OLST's characters.
void OutlineLevels(const uint8_t* olst, Word6Section* section) {
  size_t at = 0;
  for (size_t k = 0; k < section->levels.size(); ++k) {
    Anld& a = section->levels[k];
    std::copy_n(olst + kAnlv * k, kAnlv, a.begin());
    const size_t want = size_t{a[1]} + a[2];
    const size_t have = std::min({want, kAnldSize - 20, kOlst - kOlstText - at});
    std::copy_n(olst + kOlstText + at, have, a.begin() + 20);
    a[1] = uint8_t(std::min<size_t>(a[1], have));
    a[2] = uint8_t(std::min<size_t>(a[2], have - a[1]));
    at = std::min(at + want, kOlst - kOlstText);
  }
}

}  // namespace

void ScanWord6Sprms(const uint8_t* g, size_t n, Word6Numbering* p) {
  for (size_t i = 0; i < n;) {
    const uint8_t sprm = g[i++];
    int size = ParagraphOperandSize(sprm);
    if (size < 0) return;
    if (size == 0) {
      if (i >= n) return;
      size = g[i++];
    }
    if (i + size_t(size) > n) return;
    if (sprm == kSprmPNLvlAnm) p->kind = g[i];
    if (sprm == kSprmPAnld && size_t(size) >= 20) {
      p->anld.fill(0);
      std::copy_n(g + i, std::min(size_t(size), p->anld.size()), p->anld.begin());
      p->hasAnld = true;
    }
    i += size_t(size);
  }
}

std::vector<Word6Numbering> ReadWord6Styles(StreamSource& main, const Fib& fib) {
  const std::vector<uint8_t> d = ReadRange(main, fib.fcStshf, fib.lcbStshf);
  struct Raw {
    uint16_t base = kNoStyle;
    size_t at = 0, size = 0;  // the paragraph properties' sprms in `d`
  };
  std::vector<Raw> raw;
  if (d.size() < 6) return {};
  const size_t cbStshi = U16(d.data());
  const size_t count = std::min<size_t>(U16(d.data() + 2), kMaxStyles);
  const size_t cbBase = U16(d.data() + 4);  // 8 in Word 6
  if (cbStshi < 4 || cbBase < 8) return {};
  size_t pos = 2 + cbStshi;
  for (size_t istd = 0; istd < count && pos + 2 <= d.size(); ++istd) {
    const size_t cb = U16(d.data() + pos);
    pos += 2;
    if (pos + cb > d.size()) break;
    Raw style;
    const uint8_t* s = d.data() + pos;
    if (cb > cbBase && (U16(s + 2) & 0x0F) == 1 && (U16(s + 4) & 0x0F) >= 1) {  // a paragraph style
      style.base = U16(s + 2) >> 4;
      // Its name: a length byte, the characters and a NUL; then the
      // paragraph properties at an even offset: their size, the style, the sprms.
      const size_t name = cbBase + 1 + size_t{s[cbBase]} + 1;
      const size_t at = name + (name & 1);
      if (at + 4 <= cb) {
        const size_t len = U16(s + at);
        if (len >= 2 && at + 2 + len <= cb) {
          style.at = pos + at + 4;
          style.size = len - 2;
        }
      }
    }
    raw.push_back(style);
    pos += cb;
  }
  std::vector<Word6Numbering> styles(raw.size());
  for (size_t istd = 0; istd < raw.size(); ++istd) {
    // The chain of bases, then their sprms from the farthest one on.
    std::array<size_t, kMaxStyleChain> chain{};
    int depth = 0;
    for (size_t at = istd; at < raw.size() && depth < kMaxStyleChain; at = raw[at].base) chain[size_t(depth++)] = at;
    while (depth > 0) {
      const Raw& r = raw[chain[size_t(--depth)]];
      ScanWord6Sprms(d.data() + r.at, r.size, &styles[istd]);
    }
  }
  return styles;
}

std::vector<Word6Section> ReadWord6Sections(StreamSource& main, const Fib& fib) {
  std::vector<Word6Section> sections;
  const std::vector<uint8_t> plc = ReadRange(main, fib.fcPlcfSed, fib.lcbPlcfSed);
  if (plc.size() < 4 + 12) return sections;
  // n + 1 character positions, then n SEDs: fn, fcSepx, fnMpr, fcMpr.
  const size_t n = std::min((plc.size() - 4) / 16, kMaxSections);
  for (size_t i = 0; i < n; ++i) {
    Word6Section section;
    section.cpEnd = U32(plc.data() + 4 * (i + 1));
    const uint32_t fcSepx = U32(plc.data() + 4 * (n + 1) + 12 * i + 2);
    const std::vector<uint8_t> size = ReadRange(main, fcSepx, 2);
    if (size.size() == 2) {
      const std::vector<uint8_t> sepx = ReadRange(main, fcSepx + 2, std::min<uint32_t>(U16(size.data()), kMaxSepx));
      const uint8_t* olst = nullptr;
      size_t len = 0;
      if (FindSectionSprm(sepx.data(), sepx.size(), kSprmSOlstAnm, &olst, &len) && len >= kOlstText) {
        std::array<uint8_t, kOlst> full{};
        std::copy_n(olst, std::min(len, kOlst), full.begin());
        section.hasOlst = true;
        section.restart = full[9 * kAnlv] != 0;
        OutlineLevels(full.data(), &section);
      }
    }
    if (!sections.empty() && section.cpEnd < sections.back().cpEnd) break;  // out of order: damaged
    sections.push_back(section);
  }
  return sections;
}

}  // namespace kw
