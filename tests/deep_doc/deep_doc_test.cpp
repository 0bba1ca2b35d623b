// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/deep_doc.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "base/damage_report.h"
#include "base/job_progress.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "tests/deep_doc/doc_builder.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::CfbLayout;
using test::TestPiece;

class DeepDocTest : public ::testing::Test {
 protected:
  // Reads `bytes` as a file; the text, and the damage in `damage`.
  std::string Read(const std::string& bytes, YieldClock* clock = nullptr) {
    SourceFile file;
    EXPECT_TRUE(SourceFile::Open(dir.write("a.doc", bytes), &file).ok());
    std::string text;
    EXPECT_TRUE(ReadDocDeep(file, clock, &damage, &text).ok());
    return text;
  }
  // The reason of the one damage entry of `reader` that contains `part`.
  const Damage* Find(const std::string& reader, const std::string& part) const {
    for (const Damage& d : damage.entries()) {
      if (d.reader == reader && d.reason.find(part) != std::string::npos) return &d;
    }
    return nullptr;
  }
  std::string Dump() const {
    std::string s;
    for (const Damage& d : damage.entries()) s += d.reader + "@" + std::to_string(d.offset) + ": " + d.reason + "\n";
    return s;
  }
  // A Word 97 file: main text, a footnote and a header; 8-bit and UTF-16 pieces.
  std::string Sample(CfbLayout* layout) {
    return test::BuildWord97File(test::BuildWord97({{"Main \xE2\x80\x9Cquoted\xE2\x80\x9D text\r", true},
                                                    {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 mir\r", false},
                                                    {"Note\r", false},
                                                    {"Header\r", true}},
                                                   30, 5, 7),
                                 layout);
  }
  static constexpr const char* kSampleText =
      "Main \xE2\x80\x9Cquoted\xE2\x80\x9D text\r\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 mir\r\n\r\n"
      "Note\r\n\r\nHeader\r\n";

  test::TempDir dir;
  DamageReport damage;
};

TEST_F(DeepDocTest, Word97StoriesInOrderWithMixedPieces) {
  CfbLayout layout;
  EXPECT_EQ(Read(Sample(&layout)), kSampleText);
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DeepDocTest, FieldsTablesAndControlCharacters) {
  // Nested field: the instructions go, the results stay. A two-cell row,
  // then a non-breaking hyphen, a soft hyphen, an anchor and a page break.
  const std::string body =
      "A\x13 PAGE \x13 inner \x14x\x15\x14"
      "7\x15"
      "B\r"
      "c1\x07"
      "c2\x07\x07"
      "re\x1E"
      "do\x1F"
      "ne\x01\x0C"
      "end\r";
  CfbLayout layout;
  const std::string text =
      Read(test::BuildWord97File(test::BuildWord97({{body, false}}, uint32_t(body.size())), &layout));
  EXPECT_EQ(text, "A7B\r\nc1\tc2\r\nre-done\r\nend\r\n");
  // A stray field begin (damage) is not allowed to swallow the rest.
  const std::string stray = "one \x13two\rthree\r";
  EXPECT_EQ(Read(test::BuildWord97File(test::BuildWord97({{stray, false}}, uint32_t(stray.size())), &layout)),
            "one two\r\nthree\r\n");
}

TEST_F(DeepDocTest, Word6TextInTheLanguagesCodePageAndThroughItsPieces) {
  // "Привет, мир" in Windows-1251, Russian (0x0419).
  const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r";
  CfbLayout layout;
  const std::string expected = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80\r\n";
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", test::BuildWord6(bytes, 0x0419, false)}}, &layout)), expected);
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", test::BuildWord6(bytes, 0x0419, true)}}, &layout)), expected);
  // Greek (0x0408): "Καλη" in Windows-1253.
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", test::BuildWord6("\xCA\xE1\xEB\xE7\r", 0x0408, false)}}, &layout)),
            "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\r\n");
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DeepDocTest, RtfUnderADocNameKeepsTextAndFieldResults) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}{\\*\\generator X;}"
      "\\pard \\'cf\\'f0\\uc1\\u1080?\\par"
      "{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}}a\\cell b\\cell\\row}";
  EXPECT_EQ(Read(rtf), "\xD0\x9F\xD1\x80\xD0\xB8\r\n3a\tb\t\r\n");
  // \binN: N bytes of binary data, whatever they hold; one cut short ends the text.
  EXPECT_EQ(Read("{\\rtf1 A{\\bin7 x}{\\par\x01} B\\bin99 tail}"), "A B");
}

// Whether `text` holds no control character but TAB and the CR LF that ends a line.
bool OnlyTextControls(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return false;
    if (c == 0x7F || (c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80)) {
      return false;
    }
  }
  return true;
}

TEST_F(DeepDocTest, RtfNeverWritesAControlCharacter) {
  // \'hh and \uN naming a control character, an undefined byte of the code
  // page (0x81, a C1 control) and a \' without two hex digits after it.
  EXPECT_EQ(Read("{\\rtf1\\uc0 a\\'00b\\'0dc\\'81d\\u1 e\\u127 f\\u65534 g\\':\x01h\\'4}"), "abcdefg:h4");
  EXPECT_EQ(Read("{\\rtf1 a\\'zz b\\'4a}"), "azz bJ");
  // A fuzzer's find: \' before ':' and NUL gave a NUL.
  std::ifstream in(std::string(KW_SOURCE_DIR) + "/tests/deep_doc/data/deep-doc-nul.doc", std::ios::binary);
  const std::string found((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(found.size(), 838u);
  const std::string text = Read(found);
  EXPECT_TRUE(OnlyTextControls(text));
  EXPECT_NE(text.find("info"), std::string::npos);
}

TEST_F(DeepDocTest, Word2FileWithoutContainer) {
  EXPECT_EQ(Read(test::BuildWord2("Gr\xFC\xDF"
                                  "e aus Word 2\r")),
            "Gr\xC3\xBC\xC3\x9F"
            "e aus Word 2\r\n");
}

// Each corruption: what is still read, and the one entry that says why.
TEST_F(DeepDocTest, ZeroedFatSectorIsGuessedAsContiguous) {
  CfbLayout layout;
  std::string file = Sample(&layout);
  file.replace(CfbLayout::Offset(layout.fatSector), 512, 512, '\0');
  EXPECT_EQ(Read(file), kSampleText);
  const Damage* d = Find("cfb", "FAT sector 0 is zeroed");
  ASSERT_NE(d, nullptr) << Dump();
  EXPECT_EQ(d->offset, CfbLayout::Offset(layout.fatSector));
  EXPECT_EQ(d->length, 512);
}

TEST_F(DeepDocTest, ZeroedHeaderFindsTheDirectoryByScanning) {
  CfbLayout layout;
  std::string file = Sample(&layout);
  file.replace(0, 512, 512, '\0');
  EXPECT_EQ(Read(file), kSampleText);
  ASSERT_NE(Find("cfb", "The FAT was found by scanning"), nullptr) << Dump();
  ASSERT_NE(Find("cfb", "3 directory entries were found by scanning the file"), nullptr) << Dump();
}

TEST_F(DeepDocTest, ZeroedDirectoryFindsMainByFibAndTableByPieceTable) {
  for (const bool smallTable : {false, true}) {  // the table in its own sectors, or in the small-stream container
    damage = DamageReport();
    CfbLayout layout;
    const test::Word97 doc = test::BuildWord97({{"Main text\r", true}, {"Note\r", false}}, 10, 5);
    std::string file = test::BuildWord97File(doc, &layout, smallTable);
    file.replace(CfbLayout::Offset(layout.dirSector), 512, 512, '\0');
    EXPECT_EQ(Read(file), "Main text\r\n\r\nNote\r\n");
    const Damage* wiped = Find("cfb", "Directory sector 1 holds no readable entries");
    ASSERT_NE(wiped, nullptr) << Dump();
    EXPECT_EQ(wiped->offset, CfbLayout::Offset(layout.dirSector));
    const Damage* main = Find("doc", "main stream's directory entry is lost");
    ASSERT_NE(main, nullptr) << Dump();
    EXPECT_EQ(main->offset, CfbLayout::Offset(layout.start["WordDocument"]));
    EXPECT_NE(Find("doc", smallTable ? "found by its piece table in the small-stream container"
                                     : "found by its piece table at sector"),
              nullptr)
        << Dump();
  }
}

// A root entry whose type byte says it is a stream, and a small one: the
// small-stream container is still the root's chain of sectors. Locating a
// small stream (as the pictures' reader does) located the root as a small
// stream too, and that the root again, until the stack ran out.
TEST_F(DeepDocTest, RootEntryTypedAsAStreamStillHoldsTheSmallStreams) {
  CfbLayout layout;
  const test::Word97 doc = test::BuildWord97({{"Main text\r", true}}, 10);
  std::string file = test::BuildWord97File(doc, &layout, true);
  file[size_t(CfbLayout::Offset(layout.dirSector)) + 0x42] = 2;
  SourceFile f;
  ASSERT_TRUE(SourceFile::Open(dir.write("a.doc", file), &f).ok());
  std::string text;
  std::vector<PictureRecord> pictures;
  EXPECT_TRUE(ReadDocDeep(f, nullptr, &damage, &text, nullptr, &pictures).ok());
  EXPECT_EQ(text, "Main text\r\n");
}

TEST_F(DeepDocTest, TruncatedFileKeepsTheTextBeforeTheCut) {
  CfbLayout layout;
  // The table stream first, so the cut falls in the main stream's text.
  test::Word97 doc = test::BuildWord97({{std::string(3000, 'a') + " tail\r", true}}, 3006);
  const std::string file = test::BuildCfb({{"1Table", doc.table}, {"WordDocument", doc.main}}, &layout);
  const int64_t cut = CfbLayout::Offset(layout.start["WordDocument"]) + 0x400 + 2000;
  const std::string text = Read(file.substr(0, size_t(cut)));
  EXPECT_EQ(text, std::string(2000, 'a') + "\r\n");
  const Damage* d = Find("cfb", "are missing: the file ends first");
  ASSERT_NE(d, nullptr) << Dump();
  EXPECT_EQ(d->length, 4096 - 0x400 - 2000 + 0);
  EXPECT_NE(Find("doc", "1006 characters of text lie in parts of the main stream that are lost"), nullptr) << Dump();
}

TEST_F(DeepDocTest, ChainLoopAndOutOfRangeLinkAreGuessed) {
  for (const uint32_t bad : {0u, 100u, 0x00100000u}) {  // a loop, past the file's end, past the table
    damage = DamageReport();
    CfbLayout layout;
    std::string file = Sample(&layout);
    const uint32_t s = layout.start["WordDocument"] + 2;
    test::Put32(file, size_t(CfbLayout::Offset(layout.fatSector) + 4 * s),
                bad == 0 ? layout.start["WordDocument"] : bad);
    EXPECT_EQ(Read(file), kSampleText);
    const Damage* d = Find("cfb", bad == 0     ? "loops back to an earlier sector"
                                  : bad == 100 ? "points past the end of the file"
                                               : "points past the end of the table");
    ASSERT_NE(d, nullptr) << Dump();
    EXPECT_EQ(d->offset, CfbLayout::Offset(s));
  }
}

TEST_F(DeepDocTest, LostPieceTableFallsBackToScanningTheMainStream) {
  CfbLayout layout;
  test::Word97 doc = test::BuildWord97({{"Recovery of damaged documents needs patience\r", false}}, 45);
  doc.table[0] = '\x7F';  // no longer a piece table
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "Recovery of damaged documents needs patience\r\n");
  ASSERT_NE(Find("doc",
                 "piece table, which says where the text lies, is missing or damaged. The main stream was "
                 "searched for text instead (1 passages found)"),
            nullptr)
      << Dump();
}

TEST_F(DeepDocTest, LoneDamagedPiecePositionIsRepaired) {
  test::Word97 doc = test::BuildWord97({{"first\r", true}, {"second\r", false}, {"third\r", true}}, 20);
  test::Put32(doc.table, 5 + 4 * 1, 0x7FFFFFFF);  // the second piece's start
  CfbLayout layout;
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "first\r\nsecond\r\nthird\r\n");
  EXPECT_NE(Find("doc", "1 damaged character positions in the piece table were repaired"), nullptr) << Dump();
}

TEST_F(DeepDocTest, OverlappingPiecesReadNoMoreThanTheStreamHolds) {
  // Three pieces of 3000 characters, all at the same 8-bit bytes ("abc" x 3
  // then zeros) of a 4096-byte stream: the third is one too many.
  test::Word97 doc = test::BuildWord97({{"abc", true}, {"abc", true}, {"abc", true}}, 9);
  for (int i = 1; i <= 3; ++i) test::Put32(doc.table, 5 + 4 * i, 3000 * i);
  for (int i = 1; i < 3; ++i) doc.table.replace(21 + 8 * i + 2, 4, doc.table.substr(21 + 2, 4));
  test::Put32(doc.main, 0x4C, 9000);
  CfbLayout layout;
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "abcabcabcabcabcabc\r\n");
  EXPECT_NE(Find("doc", "names more text than the main stream holds; the pieces after character 6000 are ignored"),
            nullptr)
      << Dump();
}

TEST_F(DeepDocTest, NoStructureScansTheFileAndRejectsBinary) {
  std::mt19937 rng(7);
  std::string noise(64 * 1024, '\0');
  for (char& c : noise) c = char(rng());
  const std::string words = test::Utf16("Text found among noise in the file\r");
  const std::string text = Read(noise + words + noise);
  EXPECT_NE(text.find("Text found among noise in the file\r\n"), std::string::npos);
  EXPECT_LT(text.size(), 200u) << text;  // at most a little junk from 128 KiB of noise
  ASSERT_NE(Find("doc", "holds no readable Word structure. The whole file was searched"), nullptr) << Dump();
  EXPECT_EQ(Find("doc", "whole file")->length, int64_t(2 * noise.size() + words.size()));
}

TEST_F(DeepDocTest, RandomDamageIsSurvived) {
  CfbLayout layout;
  const std::string good = Sample(&layout);
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    std::string file = good;
    const int changes = 1 + int(rng() % 40);
    for (int i = 0; i < changes; ++i) file[rng() % file.size()] = char(rng());
    if (round % 3 == 0) file.resize(rng() % file.size());
    Read(file);  // OK whatever the damage (checked in Read), and no fault under the sanitizers
  }
}

TEST_F(DeepDocTest, StoppedClockEndsTheScanEarly) {
  struct Cancel : JobProgress {
    bool cancelRequested() const override { return true; }
  } progress;
  YieldClock clock(progress);
  clock.now();  // sees the cancel request
  std::string noise(8 << 20, 'x');
  EXPECT_EQ(Read(noise + test::Utf16("late words\r"), &clock), "");
}

TEST_F(DeepDocTest, UnreadableFileIsAnError) {
  SourceFile file;
  std::string text;
  EXPECT_FALSE(ReadDocDeep(file, nullptr, &damage, &text).ok());
}

}  // namespace
}  // namespace kw
