// SPDX-License-Identifier: Apache-2.0
// Deep Recovery of .doc files on the inputs that were quadratic or held the
// whole file: held to their bounds by the work they count and the heap they
// use, never by time.
#include <gtest/gtest.h>

#include <random>

#include "base/cp1252.h"
#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/doc/compound_file.h"
#include "formats/doc/deep_doc.h"
#include "formats/doc/rtf_text.h"
#include "formats/doc/word_text.h"
#include "tests/deep_doc/doc_builder.h"
#include "tests/support/heap_peak.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::Put16;
using test::Put32;

constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatMark = 0xFFFFFFFD;
constexpr size_t kSector = 512;

std::string Entry(const std::string& name, uint8_t type, uint32_t start, uint32_t size) {
  return test::DirEntry(name, type, start, size, kFree, kFree);
}

// A version 3 header (512-byte sectors): `fatCount` FAT sectors, the first
// 109 listed here, more in the DIFAT chain from `firstDifat`.
std::string Header(uint32_t fatCount, uint32_t firstDir, uint32_t firstMiniFat, uint32_t firstDifat,
                   uint32_t difatCount, const std::vector<uint32_t>& listed) {
  std::string h(kSector, '\0');
  const uint8_t sig[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i) h[i] = char(sig[i]);
  Put16(h, 0x18, 0x3E);
  Put16(h, 0x1A, 3);
  Put16(h, 0x1C, 0xFFFE);
  Put16(h, 0x1E, 9);
  Put16(h, 0x20, 6);
  Put32(h, 0x2C, fatCount);
  Put32(h, 0x30, firstDir);
  Put32(h, 0x38, 4096);
  Put32(h, 0x3C, firstMiniFat);
  Put32(h, 0x40, firstMiniFat == kEnd ? 0 : 1);
  Put32(h, 0x44, firstDifat);
  Put32(h, 0x48, difatCount);
  for (uint32_t i = 0; i < 109; ++i) Put32(h, 0x4C + 4 * i, i < listed.size() ? listed[i] : kFree);
  return h;
}

// A version 3 compound file of up to 109 FAT sectors, which follow the
// sectors given; `fat` holds a link per given sector.
struct Cfb {
  std::vector<std::string> sectors;
  std::vector<uint32_t> fat;
  uint32_t firstDir = kEnd;
  uint32_t firstMiniFat = kEnd;

  std::string build() const {
    const uint32_t n = uint32_t(sectors.size());
    uint32_t nfat = 1;
    while (nfat * 128 < n + nfat) ++nfat;
    std::vector<uint32_t> listed;
    for (uint32_t i = 0; i < nfat && i < 109; ++i) listed.push_back(n + i);
    const std::string h = Header(nfat, firstDir, firstMiniFat, kEnd, 0, listed);
    std::string out = h;
    for (const std::string& s : sectors) out += s + std::string(kSector - s.size(), '\0');
    std::string table(nfat * kSector, '\0');
    for (uint32_t i = 0; i < nfat * 128; ++i) {
      Put32(table, 4 * i, i < n ? fat[i] : i < n + nfat ? kFatMark : kFree);
    }
    return out + table;
  }
};

class DocBoundsTest : public ::testing::Test {
 protected:
  std::string read(const std::string& bytes, int64_t* peak) {
    SourceFile file;
    EXPECT_TRUE(SourceFile::Open(dir.write("a.doc", bytes), &file).ok());
    std::string text;
    test::HeapPeak heap;
    EXPECT_TRUE(ReadDocDeep(file, nullptr, &damage, &text).ok());
    *peak = heap.bytes();
    return text;
  }
  bool reported(const std::string& part) const {
    for (const Damage& d : damage.entries()) {
      if (d.reason.find(part) != std::string::npos) return true;
    }
    return false;
  }

  test::TempDir dir;
  DamageReport damage;
};

// 2048 sectors of directory entries (the chain), no root and no FAT links,
// each entry naming a stream as long as the file: once the walks have gone
// through the file a few times they stop where earlier ones went, and the
// scan for lost entries looks each one up once.
TEST_F(DocBoundsTest, DirectoryFullOfEntriesWalksTheFileAFewTimes) {
  Cfb cfb;
  const uint32_t n = 2048;
  for (uint32_t s = 0; s < n; ++s) {
    std::string sector;
    for (int k = 0; k < 4; ++k) sector += Entry("e" + std::to_string(4 * s + k), 2, (s * 7 + k) % n, n * 512);
    cfb.sectors.push_back(sector);
    cfb.fat.push_back(s + 1 < n ? s + 1 : kEnd);
  }
  cfb.firstDir = 0;
  SourceFile file;
  ASSERT_TRUE(SourceFile::Open(dir.write("dir.doc", cfb.build()), &file).ok());
  CompoundFile cf;
  ASSERT_TRUE(cf.Open(file, nullptr, &damage).ok());
  EXPECT_EQ(cf.entries().size(), 4u * n);  // the scan added no copy of them
  const std::vector<bool> mask = cf.nonTextSectors("WordDocument");
  EXPECT_TRUE(mask[0] && mask[n - 1]);
  EXPECT_LE(cf.walkedSectors(), 6 * int64_t(cf.sectorCount()) + 8192);  // not 8192 walks of the file

  std::string text;
  damage = DamageReport();
  EXPECT_TRUE(ReadDocDeep(file, nullptr, &damage, &text).ok());
  EXPECT_TRUE(reported("main Word stream cannot be found"));
}

// A main stream whose table stream's entry is lost, its piece table said to
// lie 1 MiB in, and 512 chains that all run on into one chain through the
// file: no candidate is copied, and the search stops once it has walked the
// file a few times.
TEST_F(DocBoundsTest, LostTableSearchReadsNoCopiesAndStops) {
  Cfb cfb;
  const uint32_t n = 6000, longChain = 600;
  cfb.sectors.resize(n);
  cfb.fat.assign(n, kEnd);
  cfb.sectors[0] = Entry("Root Entry", 5, kEnd, 0) + Entry("WordDocument", 2, 1, 4096);
  test::Word97 doc = test::BuildWord97({{"Text that stays in the main stream.\r", true}}, 36);
  Put32(doc.main, 0x1A2, 1 << 20);  // fcClx
  for (uint32_t i = 0; i < 8; ++i) {
    cfb.sectors[1 + i] = doc.main.substr(i * kSector, kSector);
    cfb.fat[1 + i] = i + 1 < 8 ? 2 + i : kEnd;
  }
  for (uint32_t s = 88; s < longChain; ++s) cfb.fat[s] = longChain;  // each its own start, into the long chain
  for (uint32_t s = longChain; s + 1 < n; ++s) cfb.fat[s] = s + 1;
  cfb.firstDir = 0;
  int64_t peak = 0;
  const std::string text = read(cfb.build(), &peak);
  EXPECT_TRUE(reported("the search for it was cut short")) << damage.ToJson("", "", "");
  EXPECT_LT(peak, 256 << 10);  // a copy of a chain would be a megabyte
  EXPECT_NE(text.find("Text that stays"), std::string::npos);
}

// A header and DIFAT that list every sector as a FAT sector, each full of
// links: only the links of the sectors in the file are kept.
TEST_F(DocBoundsTest, FatListingEverySectorKeepsOneLinkPerSector) {
  const uint32_t n = 12000;  // 6 MB
  std::string bytes(size_t(n + 1) * kSector, '\x01');
  const uint32_t difat = (n - 109 + 126) / 127;
  std::vector<uint32_t> listed;
  for (uint32_t i = 0; i < 109; ++i) listed.push_back(i);
  const std::string h = Header(n, kEnd, kEnd, 0, difat, listed);
  bytes.replace(0, kSector, h);
  for (uint32_t k = 0, listed = 109; k < difat; ++k) {
    for (uint32_t i = 0; i < 127; ++i) Put32(bytes, (k + 1) * kSector + 4 * i, (listed++) % n);
    Put32(bytes, (k + 1) * kSector + 508, k + 1 < difat ? k + 1 : kEnd);
  }
  int64_t peak = 0;
  read(bytes, &peak);
  EXPECT_LT(peak, 5 << 20);  // the scan's 4 MiB block; the whole FAT would be 6 MB more
}

// A Word 97 file of 200,000 one-character pieces: the table is read a block
// at a time, twice, and never held.
TEST_F(DocBoundsTest, PieceTableOfManyPiecesIsNeverHeld) {
  const uint32_t pieces = 200000;
  std::string chars(pieces, 'a');
  for (uint32_t i = 0; i < pieces; ++i) chars[i] = char('a' + i % 26);
  std::string table = "\x02" + std::string(4, '\0');
  Put32(table, 1, 4 + 12 * pieces);
  for (uint32_t i = 0; i <= pieces; ++i) table += std::string(4, '\0'), Put32(table, table.size() - 4, i);
  for (uint32_t i = 0; i < pieces; ++i) {
    std::string pcd(8, '\0');
    Put32(pcd, 2, ((0x400 + i) * 2) | 0x40000000u);
    table += pcd;
  }
  test::Word97 doc = test::BuildWord97({{"x", true}}, pieces);
  doc.main = doc.main.substr(0, 0x400) + chars;
  Put32(doc.main, 0x1A2, 0);
  Put32(doc.main, 0x1A6, uint32_t(table.size()));
  Cfb cfb;
  const auto add = [&cfb](const std::string& stream) {
    const uint32_t first = uint32_t(cfb.sectors.size());
    for (size_t at = 0; at < stream.size(); at += kSector) {
      cfb.sectors.push_back(stream.substr(at, kSector));
      cfb.fat.push_back(uint32_t(cfb.sectors.size()));
    }
    cfb.fat.back() = kEnd;
    return first;
  };
  cfb.sectors.push_back("");
  cfb.fat.push_back(kEnd);
  const uint32_t main = add(doc.main), tableStart = add(table);
  cfb.sectors[0] = Entry("Root Entry", 5, kEnd, 0) + Entry("WordDocument", 2, main, uint32_t(doc.main.size())) +
                   Entry("1Table", 2, tableStart, uint32_t(table.size()));
  cfb.firstDir = 0;
  int64_t peak = 0;
  const std::string text = read(cfb.build(), &peak);
  EXPECT_EQ(text, chars + "\r\n");
  EXPECT_LT(peak, int64_t(text.capacity()) + (512 << 10));  // the pieces alone would be 3 MB
}

// The reader as it was, over the whole document at once: the reference the
// streaming reader must match on any cut.
std::string WholeRtf(const std::string& d) {
  std::string out;
  std::vector<std::pair<bool, int>> stack(1, {false, 1});  // skip, uc
  size_t overflow = 0;
  int pending = 0;
  CodePage page = CodePage::k1252;
  const size_t size = d.size();
  auto text = [&](char32_t c) {
    if (stack.back().first) return;
    if (pending > 0) {
      --pending;
      return;
    }
    if (IsTextCharacter(c)) AppendUtf8(out, c);
  };
  auto hex = [](uint8_t h) {
    if (h >= '0' && h <= '9') return h - '0';
    h |= 0x20;
    return h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
  };
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  for (size_t i = 0; i < size;) {
    const uint8_t c = uint8_t(d[i]);
    if (c == '{') {
      if (stack.size() < 256) {
        stack.push_back(stack.back());
      } else {
        ++overflow;
      }
      ++i;
    } else if (c == '}') {
      if (overflow > 0) {
        --overflow;
      } else if (stack.size() > 1) {
        stack.pop_back();
      }
      pending = 0;
      ++i;
    } else if (c == '\\' && i + 1 < size) {
      const uint8_t n = uint8_t(d[i + 1]);
      if (alpha(char(n))) {
        size_t j = i + 1;
        while (j < size && j - i <= 32 && alpha(d[j])) ++j;
        const std::string word = d.substr(i + 1, j - i - 1);
        bool neg = false, has = false;
        long param = 0;
        if (j < size && d[j] == '-') neg = true, ++j;
        while (j < size && d[j] >= '0' && d[j] <= '9') {
          if (param < 100000000) param = param * 10 + (d[j] - '0');
          has = true;
          ++j;
        }
        if (neg) param = -param;
        if (j < size && d[j] == ' ') ++j;
        auto& g = stack.back();
        if (word == "par") {
          if (!g.first) out += "\r\n";
        } else if (word == "tab") {
          if (!g.first) out += '\t';
        } else if (word == "u" && has) {
          const long v = param < 0 ? param + 65536 : param;
          if (!g.first && v < 0x110000 && !(v >= 0xD800 && v <= 0xDFFF) && IsTextCharacter(char32_t(v))) {
            AppendUtf8(out, char32_t(v));
          }
          pending = g.second;
        } else if (word == "uc" && has) {
          g.second = param < 0 ? 0 : int(std::min(param, 8L));
        } else if (word == "ansicpg" && has) {
          page = param == 1251 ? CodePage::k1251 : CodePage::k1252;
        } else if (word == "emdash") {
          text(0x2014);
        } else if (word == "info") {
          g.first = true;
        }
        i = j;
      } else if (n == '\'' && i + 3 < size && hex(uint8_t(d[i + 2])) >= 0 && hex(uint8_t(d[i + 3])) >= 0) {
        text(CodePagePoint(page, uint8_t(hex(uint8_t(d[i + 2])) * 16 + hex(uint8_t(d[i + 3])))));
        i += 4;
      } else {
        if (n == '*') stack.back().first = true;
        if (n == '\\' || n == '{' || n == '}') text(n);
        if (n == '~') text(0xA0);
        if (n == '_') text('-');
        i += 2;
      }
    } else {
      if (c >= 0x20 && c != 0x7F) text(CodePagePoint(page, c));
      ++i;
    }
  }
  return out;
}

// Documents made of the pieces that matter to the parser, cut into pieces
// at random and, for short ones, at every byte.
TEST(RtfStreamTest, PiecesGiveTheTextOfTheWholeDocument) {
  static const char* kParts[] = {"\\", "{",    "}",      "par", "u",    "uc",      "1",  "8364", "-",          " ",
                                 "'",  "e9",   "a",      "x",   "\xE9", "ansicpg", "12", "51",   "*",          "~",
                                 "_",  "info", "emdash", "tab", "\\u",  "\\'",     "zz", "\n",   "99999999999"};
  std::mt19937 rng(21);
  for (int round = 0; round < 3000; ++round) {
    std::string doc;
    const int parts = 1 + int(rng() % 40);
    for (int k = 0; k < parts; ++k) doc += kParts[rng() % std::size(kParts)];
    const std::string expected = WholeRtf(doc);
    std::string got;
    RtfTextReader reader(nullptr, &got);
    for (size_t at = 0; at < doc.size();) {
      const size_t n = std::min(doc.size() - at, size_t(1 + rng() % 5));
      reader.feed(reinterpret_cast<const uint8_t*>(doc.data() + at), n);
      at += n;
    }
    reader.finish();
    ASSERT_EQ(got, expected) << testing::PrintToString(doc);
  }
}

// RTF under a .doc name: read a block at a time, never held whole.
TEST_F(DocBoundsTest, RtfIsReadABlockAtATime) {
  std::string doc = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}";
  while (doc.size() < (6u << 20)) doc += "\\pard\\plain\\f0\\fs20\\b\\i\\ul Text\\ul0\\i0\\b0\\par\n";
  doc += "}";
  int64_t peak = 0;
  const std::string text = read(doc, &peak);
  EXPECT_EQ(text.substr(0, 12), "Text\r\nText\r\n");
  EXPECT_LT(peak, int64_t(text.capacity()) + (2 << 20));  // the file is 6 MB
}

}  // namespace
}  // namespace kw
