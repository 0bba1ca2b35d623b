// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/fib.h"

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr uint16_t kIdent97 = 0xA5EC;
constexpr uint16_t kIdent6 = 0xA5DC;
constexpr uint16_t kIdent2 = 0xA5DB;
constexpr uint16_t kMacCharSet = 256;  // the FIB's chse for Macintosh text

// Word 97: the FIB's variable parts, each after its count; falls back to the
// usual sizes when a count is damaged.
bool Parse97(const uint8_t* d, size_t size, Fib* fib, std::string* why) {
  size_t pos = 0x20;
  uint16_t csw = U16(d + pos);
  if (csw != 14) csw = 14;
  pos += 2 + 2 * size_t(csw);
  uint16_t cslw = pos + 2 <= size ? U16(d + pos) : 0;
  if (cslw < 22 || cslw > 64) cslw = 22;
  const size_t lw = pos + 2;
  pos = lw + 4 * size_t(cslw);
  if (pos + 2 > size) {
    *why = "The File Information Block is cut short.";
    return false;
  }
  const size_t blob = pos + 2;
  fib->cbMac = U32(d + lw);
  static constexpr int kLwIndex[kStoryCount] = {3, 4, 5, 6, 7, 8, 9, 10};
  for (int s = 0; s < kStoryCount; ++s) fib->ccp[s] = U32(d + lw + 4 * kLwIndex[s]);
  const size_t clx = blob + 33 * 8;  // the 34th offset/length pair
  if (clx + 8 > size) {
    *why = "The File Information Block is cut before the piece table's position.";
    return false;
  }
  fib->fcClx = U32(d + clx);
  fib->lcbClx = U32(d + clx + 4);
  auto pair = [&](int index, uint32_t* fc, uint32_t* lcb) {
    const size_t at = blob + 8 * size_t(index);
    if (at + 8 > size) return;
    *fc = U32(d + at);
    *lcb = U32(d + at + 4);
  };
  pair(12, &fib->fcBteChpx, &fib->lcbBteChpx);
  pair(40, &fib->fcSpaMom, &fib->lcbSpaMom);
  pair(50, &fib->fcDggInfo, &fib->lcbDggInfo);
  pair(1, &fib->fcStshf, &fib->lcbStshf);
  pair(2, &fib->fcFndRef, &fib->lcbFndRef);
  pair(3, &fib->fcFndTxt, &fib->lcbFndTxt);
  pair(13, &fib->fcBtePapx, &fib->lcbBtePapx);
  pair(46, &fib->fcEndRef, &fib->lcbEndRef);
  pair(47, &fib->fcEndTxt, &fib->lcbEndTxt);
  pair(73, &fib->fcPlfLst, &fib->lcbPlfLst);
  pair(74, &fib->fcPlfLfo, &fib->lcbPlfLfo);
  return true;
}

// The identifier a block with a less common wIdent (a beta, a localised or
// a third-party writer's) is read as, when the rest of it is sound: a Word 97
// block's counts of its variable parts, or a Word 6 block's text range.
uint16_t SoundFibIdent(const uint8_t* d, size_t size) {
  if (size < 0x60) return 0;
  const uint16_t nFib = U16(d + 2);
  if (nFib >= 0xC1 && nFib <= 0x200) return U16(d + 0x20) == 14 && U16(d + 0x3E) == 22 ? kIdent97 : 0;
  const uint32_t fcMin = U32(d + 0x18);
  const uint32_t fcMac = U32(d + 0x1C);
  if (nFib >= 0x65 && nFib <= 0x69) return fcMin >= 0x60 && fcMin <= fcMac && fcMac < (1u << 31) ? kIdent6 : 0;
  return 0;
}

// Word 6.0/95 and 2.0 keep 8-bit text in the writer's character set: the
// language's Windows code page, or Macintosh Roman for a file written on a
// Macintosh (its chse says so, or its environment and fMac flag).
CodePage Word6CodePage(const uint8_t* d, uint16_t lid) {
  const bool mac = U16(d + 0x14) == kMacCharSet || (d[0x12] == 1 && (d[0x13] & 1));
  return mac ? CodePage::kMacRoman : CodePageForLanguage(lid);
}

}  // namespace

uint16_t FibIdent(const uint8_t* bytes, size_t size) {
  if (size < 4) return 0;
  const uint16_t id = U16(bytes);
  const uint16_t nFib = U16(bytes + 2);
  if (id == kIdent97 && nFib >= 0x65 && nFib <= 0x200) return id;  // Word 97 and later
  if (id == kIdent6 && nFib >= 0x65 && nFib <= 0x69) return id;
  if (id == kIdent2 && nFib >= 0x2D && nFib <= 0x2F) return id;
  return 0;
}

bool ParseFib(const uint8_t* d, size_t size, Fib* fib, std::string* why) {
  *fib = Fib{};
  uint16_t id = FibIdent(d, size);
  if (id == 0) id = SoundFibIdent(d, size);
  if (id == 0) {
    *why = "The main stream does not start with a File Information Block.";
    return false;
  }
  if (size < 0x60) {
    *why = "The File Information Block is cut short.";
    return false;
  }
  fib->nFib = U16(d + 2);
  fib->lid = U16(d + 6);
  const uint16_t flags = U16(d + 0x0A);
  fib->complex = flags & 0x0004;
  // Encrypted (or obfuscated) files carry a key, or the length of their
  // encryption header, beside the flag: a flag alone is more likely damage.
  fib->encrypted = (flags & 0x0100) && U32(d + 0x0E) != 0;
  fib->table1 = flags & 0x0200;
  fib->fcMin = U32(d + 0x18);
  fib->fcMac = U32(d + 0x1C);
  if (id == kIdent97 && fib->nFib >= 0xC1) {
    fib->version = WordVersion::kWord97;
    return Parse97(d, size, fib, why);
  }
  // Word 6.0/95 (and a Word 97 block written with an older version number)
  // and Word 2.0 share the opening layout.
  fib->version = id == kIdent2 ? WordVersion::kWord2 : WordVersion::kWord6;
  fib->table1 = false;
  fib->codePage = Word6CodePage(d, fib->lid);
  fib->cbMac = U32(d + 0x20);
  if (fib->version == WordVersion::kWord2) {
    fib->ccp[kMainStory] = fib->fcMac > fib->fcMin ? fib->fcMac - fib->fcMin : 0;
    return true;
  }
  for (int s = 0; s < kStoryCount; ++s) fib->ccp[s] = U32(d + 0x34 + 4 * s);
  if (size >= 0x168) {
    fib->fcClx = U32(d + 0x160);
    fib->lcbClx = U32(d + 0x164);
    fib->fcFonts = U32(d + 0xD0);
    fib->lcbFonts = U32(d + 0xD4);
    fib->fcFndRef = U32(d + 0x68);  // the footnote tables, in the main stream
    fib->lcbFndRef = U32(d + 0x6C);
    fib->fcFndTxt = U32(d + 0x70);
    fib->lcbFndTxt = U32(d + 0x74);
    fib->fcBtePapx = U32(d + 0xC0);  // the paragraph bin table, in the main stream
    fib->lcbBtePapx = U32(d + 0xC4);
    fib->fcStshf = U32(d + 0x60);  // the style sheet and the section table, for heading numbers
    fib->lcbStshf = U32(d + 0x64);
    fib->fcPlcfSed = U32(d + 0x88);
    fib->lcbPlcfSed = U32(d + 0x8C);
  } else if (fib->complex) {
    *why = "The File Information Block is cut before the piece table's position.";
    return false;
  }
  return true;
}

uint64_t TotalCp(const Fib& fib) {
  uint64_t total = 0;
  for (uint32_t c : fib.ccp) total += c;
  return total;
}

}  // namespace kw
