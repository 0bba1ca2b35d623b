// SPDX-License-Identifier: Apache-2.0
// Deep Recovery's .doc text where files differ from the common case: password
// protection, less common identifiers and Macintosh text, a piece table lost
// or leading past the stream, runs of one symbol, embedded documents' streams.
#include <gtest/gtest.h>

#include <functional>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/doc/deep/deep_doc.h"
#include "formats/doc/deep/text_scan.h"
#include "tests/deep_doc/doc_builder.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::CfbLayout;

class DeepTextTest : public ::testing::Test {
 protected:
  Status Read(const std::string& bytes, std::string* text) {
    SourceFile file;
    EXPECT_TRUE(SourceFile::Open(dir.write("a.doc", bytes), &file).ok());
    return ReadDocDeep(file, nullptr, &damage, text);
  }
  std::string Read(const std::string& bytes) {
    std::string text;
    EXPECT_TRUE(Read(bytes, &text).ok());
    return text;
  }
  std::string Dump() const {
    std::string s;
    for (const Damage& d : damage.entries()) s += d.reason + "\n";
    return s;
  }
  bool Noted(const std::string& part) const { return Dump().find(part) != std::string::npos; }

  test::TempDir dir;
  DamageReport damage;
};

TEST_F(DeepTextTest, PasswordProtectedFilesAreNamedAsSuchWithoutDamage) {
  CfbLayout layout;
  test::Word97 doc = test::BuildWord97({{"Secret text\r", true}}, 12);
  test::Put16(doc.main, 0x0A, 0x0300);  // encrypted, 1Table
  test::Put32(doc.main, 0x0E, 52);      // the encryption header's length
  std::string text;
  Status status = Read(test::BuildWord97File(doc, &layout), &text);
  EXPECT_TRUE(status.isEncrypted());
  EXPECT_EQ(status.message(), "Cannot read \"" + dir.path() +
                                  "/a.doc\": it is password-protected and cannot be read without the password.");
  EXPECT_TRUE(damage.empty()) << Dump();

  // A .docx saved with a password: a compound file of the encrypted package.
  status = Read(test::BuildCfb(
                    {{"EncryptionInfo", std::string(300, 'i')}, {"EncryptedPackage", std::string(5000, 'p')}}, &layout),
                &text);
  EXPECT_TRUE(status.isEncrypted()) << status.message();
  EXPECT_TRUE(damage.empty()) << Dump();

  // The flag alone, without a key, is damage: the text is read.
  test::Put32(doc.main, 0x0E, 0);
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "Secret text\r\n");
}

TEST_F(DeepTextTest, LessCommonIdentifiersWithASoundBlockAreRead) {
  CfbLayout layout;
  test::Word97 doc = test::BuildWord97({{"Read through the block\r", true}}, 23);
  test::Put16(doc.main, 0, 0xA5ED);
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "Read through the block\r\n");
  EXPECT_TRUE(damage.empty()) << Dump();

  std::string word6 = test::BuildWord6("Word 6 text\r", 0x0409, false);
  test::Put16(word6, 0, 0xA697);
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", word6}}, &layout)), "Word 6 text\r\n");

  // Neither layout holds: the stream is scanned, not read as a FIB.
  test::Put16(doc.main, 0x20, 99);
  Read(test::BuildWord97File(doc, &layout));
  EXPECT_TRUE(Noted("does not start with a File Information Block")) << Dump();
}

TEST_F(DeepTextTest, MacintoshWord6TextIsInMacRoman) {
  CfbLayout layout;
  std::string word6 = test::BuildWord6("Caf\x8E \xD2quoted\xD3\r", 0x0409, false);
  test::Put16(word6, 0x14, 256);  // the Macintosh character set
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", word6}}, &layout)), "Caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D\r\n");
  // The same bytes from Windows are Windows-1252.
  test::Put16(word6, 0x14, 0);
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", word6}}, &layout)), "Caf\xC5\xBD \xC3\x92quoted\xC3\x93\r\n");
}

// A Word 97 file whose FIB gives its text range, as writers fill it in.
test::Word97 WithRange(const std::string& text, bool eightBit) {
  test::Word97 doc =
      test::BuildWord97({{text, eightBit}}, uint32_t(eightBit ? text.size() : test::Utf16(text).size() / 2));
  test::Put32(doc.main, 0x18, 0x400);
  test::Put32(doc.main, 0x1C, uint32_t(0x400 + (eightBit ? text.size() : test::Utf16(text).size())));
  return doc;
}

TEST_F(DeepTextTest, PiecesPastTheStreamGiveWayToTheFibRange) {
  CfbLayout layout;
  test::Word97 doc = WithRange("Text that is physically there\r", false);
  test::Put32(doc.table, 5 + 8 + 2, 0x7FFFF000);  // the one piece's offset
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "Text that is physically there\r\n");
  EXPECT_TRUE(Noted("The piece table points past the end of the main stream. The text was read from the range"))
      << Dump();
}

TEST_F(DeepTextTest, LostPieceTableReadsTheFibRangeIn8BitOrUtf16) {
  CfbLayout layout;
  for (const bool eightBit : {true, false}) {
    damage = DamageReport();
    test::Word97 doc = WithRange("Lost table, kept text\r", eightBit);
    doc.table[0] = '\x7F';
    EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)), "Lost table, kept text\r\n") << eightBit;
    EXPECT_TRUE(Noted("read from the range the File Information Block gives")) << Dump();
  }
}

// Two paragraphs, 8-bit then UTF-16, the FIB's range around them; with
// `lostSecond`, the second piece points past the stream.
std::string TwoPieces(const std::string& first, const std::string& second, bool lostSecond, CfbLayout* layout) {
  test::Word97 doc = test::BuildWord97({{first, true}, {second, false}}, uint32_t(first.size() + second.size()));
  test::Put32(doc.main, 0x18, 0x400);
  test::Put32(doc.main, 0x1C, uint32_t(0x400 + first.size() + 2 * second.size()));
  if (lostSecond) test::Put32(doc.table, 5 + 12 + 8 + 2, 0x7FFFF000);
  return test::BuildWord97File(doc, layout);
}

TEST_F(DeepTextTest, TextInNoPieceIsScannedAndFollowsInFileOrder) {
  CfbLayout layout;
  const std::string first = "The first paragraph is the longer one, by far: it holds most of the text\r";
  const std::string second = "Second paragraph, long enough to search\r";
  const std::string both = first.substr(0, first.size() - 1) + "\r\n" + second.substr(0, second.size() - 1) + "\r\n";
  EXPECT_EQ(Read(TwoPieces(first, second, true, &layout)), both);
  EXPECT_TRUE(Noted("are in no piece; they were searched for text, and the 1 passages found stand where they lie"))
      << Dump();

  // Most of the text past the stream: the FIB's range, 8-bit and UTF-16 told apart.
  damage = DamageReport();
  EXPECT_EQ(Read(TwoPieces("Short one\r", second, true, &layout)), "Short one\r\n" + second.substr(0, 39) + "\r\n");
  EXPECT_TRUE(Noted("read from the range the File Information Block gives")) << Dump();

  // A sound file's text is read once, with no search.
  damage = DamageReport();
  EXPECT_EQ(Read(TwoPieces(first, second, false, &layout)), both);
  EXPECT_TRUE(damage.empty()) << Dump();
}

// Three paragraphs, 8-bit, UTF-16, 8-bit, in file order, the FIB's range
// around them; the piece table as `damage` leaves it.
std::string ThreePieces(const std::string (&paras)[3], const std::function<void(std::string& table)>& damage,
                        CfbLayout* layout) {
  test::Word97 doc = test::BuildWord97({{paras[0], true}, {paras[1], false}, {paras[2], true}},
                                       uint32_t(paras[0].size() + paras[1].size() + paras[2].size()));
  test::Put32(doc.main, 0x18, 0x400);
  test::Put32(doc.main, 0x1C, uint32_t(0x400 + paras[0].size() + 2 * paras[1].size() + paras[2].size()));
  damage(doc.table);
  return test::BuildWord97File(doc, layout);
}

TEST_F(DeepTextTest, ScannedTextStandsWhereItLiesBetweenThePieces) {
  CfbLayout layout;
  const std::string paras[3] = {"The first paragraph opens the document and is the longest of the three\r",
                                "The second paragraph lies in the hole between the others\r",
                                "The third paragraph closes the document after the hole, and that is all\r"};
  std::string all;
  for (const std::string& p : paras) all += p.substr(0, p.size() - 1) + "\r\n";
  constexpr size_t kPcd = 5 + 16 + 2;  // the first piece's offset; each next one 8 bytes on
  // The middle piece points past the stream: its bytes, in no piece, go between the others.
  EXPECT_EQ(Read(ThreePieces(
                paras, [](std::string& t) { test::Put32(t, kPcd + 8, 0x7FFFF000); }, &layout)),
            all);
  EXPECT_TRUE(Noted("1 passages found stand where they lie in the file")) << Dump();
  // The first piece is lost: its bytes open the text.
  damage = DamageReport();
  EXPECT_EQ(Read(ThreePieces(
                paras, [](std::string& t) { test::Put32(t, kPcd, 0x7FFFF000); }, &layout)),
            all);
  EXPECT_TRUE(Noted("1 passages found stand where they lie in the file")) << Dump();
  // The table cut short before the last piece: that piece's bytes end the text, once.
  damage = DamageReport();
  EXPECT_EQ(Read(ThreePieces(
                paras, [](std::string& t) { test::Put32(t, 5 + 12, 7); }, &layout)),
            all);
  EXPECT_TRUE(Noted("passages found stand where they lie in the file")) << Dump();
}

TEST_F(DeepTextTest, ScanDropsRunsOfOneRepeatedSymbol) {
  std::string bytes(64, '\0');
  for (int k = 0; k < 40; ++k) bytes += "\xFF\xFF ";  // "ÿÿ ÿÿ ..." reads as words
  bytes += std::string(64, '\0') + "This sentence is real text worth keeping." + std::string(64, '\0');
  for (int k = 0; k < 30; ++k) bytes += "ab ";  // two symbols over and over
  std::string out;
  ScanForText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), CodePage::k1252, nullptr, &out);
  EXPECT_EQ(out, "This sentence is real text worth keeping.\r\n");
}

TEST_F(DeepTextTest, EmbeddedDocumentsStreamsStayInTheirStorage) {
  CfbLayout layout;
  const test::Word97 outer = test::BuildWord97({{"Outer text\r", true}}, 11);
  const test::Word97 inner = test::BuildWord97({{"Inner text\r", false}}, 11);
  const std::string file = test::BuildCfb({{"WordDocument", outer.main},
                                           {"1Table", outer.table},
                                           {"ObjectPool/_1/WordDocument", inner.main},
                                           {"ObjectPool/_1/1Table", inner.table}},
                                          &layout);
  EXPECT_EQ(Read(file), "Outer text\r\n\r\nInner text\r\n");
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DeepTextTest, WebPagesUnderAWordNameInTheirEncoding) {
  const std::string body =
      "<body><h1>Caf\xC3\xA9 notes</h1>\n<p class=MsoNormal>First&nbsp;line,\n  wrapped &amp; "
      "joined</p><!-- <p>not text</p> --><script>var x = '<p>no';</script>"
      "<table><tr><td>a</td><td>b</td></tr></table><p>&#8220;q&#x201D; &bogus; x<br>y</p></body></html>";
  const std::string expected =
      "Caf\xC3\xA9 notes\r\nFirst\xC2\xA0line, wrapped & joined\r\na\tb\r\n"
      "\xE2\x80\x9Cq\xE2\x80\x9D &bogus; x\r\ny\r\n";
  const std::string head = "<html><head><title>Hidden</title><style>p {}</style></head>";
  // Valid UTF-8, declared or not.
  EXPECT_EQ(Read(head + body), expected);
  EXPECT_EQ(Read("<!DOCTYPE html>" + head + body), expected);
  // Not UTF-8 and undeclared: Windows-1252; declared: as declared.
  EXPECT_EQ(Read("<html><body><p>Caf\xE9</p></body></html>"), "Caf\xC3\xA9\r\n");
  EXPECT_EQ(Read("<html><head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\"></head>"
                 "<body><p>\xCC\xE8\xF0</p></body></html>"),
            "\xD0\x9C\xD0\xB8\xD1\x80\r\n");
  // UTF-16 with its byte order mark.
  EXPECT_EQ(Read("\xFF\xFE" + test::Utf16("<html><body><p>\xD0\x9C\xD0\xB8\xD1\x80 ok</p></body></html>")),
            "\xD0\x9C\xD0\xB8\xD1\x80 ok\r\n");
  EXPECT_TRUE(damage.empty()) << Dump();
}

}  // namespace
}  // namespace kw
