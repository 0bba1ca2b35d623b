// SPDX-License-Identifier: Apache-2.0
// Deep Recovery of packages with bytes of other files inside them: a piece
// before, between or inside entries, or at the end, a piece taken out, and
// a second document's entries, must cost nothing they do not overlap.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/deep_docx/deep_package.h"

namespace kw {
namespace {

using test::LocalEntry;
using test::MakeEntry;
using test::Package;
using test::ReadDeep;

// Bytes of "another file": noise with no ZIP signature in it.
std::string Noise(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  for (char& c : out) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  for (size_t at = out.find("PK"); at != std::string::npos; at = out.find("PK", at)) out[at] = 'Q';
  return out;
}

// A picture long enough to hold a piece inside it, deflated.
std::string Picture(uint32_t seed) { return test::TinyPng(64, 48) + Noise(30000, seed) + "IEND"; }

struct Sample {
  std::string bytes;
  test::DeepResult intact;
  std::string picture1, picture2;
};

Sample MakeSample() {
  Sample s;
  s.picture1 = Picture(1);
  s.picture2 = Picture(2);
  s.bytes =
      Package({MakeEntry("<Types/>", 8, "[Content_Types].xml"), MakeEntry(test::LongDocumentXml(80)),
               MakeEntry(s.picture1, 8, "word/media/image1.png"),
               MakeEntry("<w:hdr xmlns:w=\"x\"><w:p><w:r><w:t>Head</w:t></w:r></w:p></w:hdr>", 8, "word/header1.xml"),
               MakeEntry(s.picture2, 0, "word/media/image2.png")});
  s.intact = ReadDeep(s.bytes);
  return s;
}

// Where the local header of `name` begins.
size_t LocalHeader(const std::string& bytes, const std::string& name) { return bytes.find(name) - 30; }

std::string Insert(std::string bytes, size_t at, const std::string& piece) { return bytes.insert(at, piece); }

// Everything the intact package gave, and nothing reported but where entries lie.
void ExpectAllOf(const Sample& s, const test::DeepResult& r) {
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, s.intact.text);
  ASSERT_EQ(r.pictures.size(), 2u);
  EXPECT_EQ(r.pictureBytes[0], s.picture1);
  EXPECT_EQ(r.pictureBytes[1], s.picture2);
  EXPECT_FALSE(r.pictures[0].partial || r.pictures[1].partial);
  EXPECT_EQ(r.reasons("inflate"), "");
  EXPECT_EQ(r.reasons("docx"), "");
}

TEST(ForeignBytes, IntactSampleReadsWhole) {
  const Sample s = MakeSample();
  EXPECT_NE(s.intact.text.find("Paragraph 79 tells of"), std::string::npos);
  EXPECT_NE(s.intact.text.find("Head"), std::string::npos);
  EXPECT_TRUE(s.intact.damage.empty());
}

TEST(ForeignBytes, PieceBeforeTheFirstEntry) {
  const Sample s = MakeSample();
  const test::DeepResult r = ReadDeep(Noise(40000, 7) + s.bytes);
  ExpectAllOf(s, r);
  EXPECT_EQ(r.reasons("zip"),
            "The central directory lies 40000 bytes after where its end record places it (bytes were inserted into "
            "the package); each entry was looked for where it lies.\n");
}

TEST(ForeignBytes, PieceBeforeTheMainDocument) {
  const Sample s = MakeSample();
  const test::DeepResult r = ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/document.xml"), Noise(4096, 8)));
  ExpectAllOf(s, r);
  EXPECT_NE(r.reasons("zip").find("lies 4096 bytes after where its end record places it"), std::string::npos);
}

TEST(ForeignBytes, PieceBetweenLaterEntries) {
  const Sample s = MakeSample();
  ExpectAllOf(s, ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/media/image2.png"), Noise(70000, 9))));
  // Text of another file (no noise) is no different.
  std::string prose;
  while (prose.size() < 20000) prose += "Minutes of the meeting: the budget was agreed. ";
  ExpectAllOf(s, ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/header1.xml"), prose)));
}

TEST(ForeignBytes, PieceAtTheEnd) {
  const Sample s = MakeSample();
  const test::DeepResult r = ReadDeep(s.bytes + Noise(100000, 10));
  ExpectAllOf(s, r);
  EXPECT_TRUE(r.damage.empty()) << r.reasons("zip");
}

// A piece inside a picture costs that picture, not the entries after it.
TEST(ForeignBytes, PieceInsideAPicture) {
  const Sample s = MakeSample();
  const size_t inside = LocalHeader(s.bytes, "word/media/image1.png") + 200;
  const test::DeepResult r = ReadDeep(Insert(s.bytes, inside, Noise(8192, 11)));
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.text, s.intact.text);
  ASSERT_EQ(r.pictures.size(), 2u);
  EXPECT_TRUE(r.pictures[0].partial);
  EXPECT_EQ(r.pictureBytes[1], s.picture2);
  EXPECT_FALSE(r.pictures[1].partial);
}

// Bytes taken out of the first entry move every later entry back.
TEST(ForeignBytes, PieceTakenOut) {
  const Sample s = MakeSample();
  std::string bytes = s.bytes;
  bytes.erase(LocalHeader(bytes, "[Content_Types].xml") + 40, 12);
  const test::DeepResult r = ReadDeep(bytes);
  EXPECT_EQ(r.text, s.intact.text);
  ASSERT_EQ(r.pictures.size(), 2u);
  EXPECT_EQ(r.pictureBytes[0], s.picture1);
  EXPECT_NE(r.reasons("zip").find("lies 12 bytes before where its end record places it (bytes are missing"),
            std::string::npos)
      << r.reasons("zip");
}

// Another document's main part and picture inside the package: its text is
// given apart after the document's own, its picture left out.
TEST(ForeignBytes, SecondDocumentsMainPartIsGivenApart) {
  const Sample s = MakeSample();
  const std::string other = MakeEntry(test::DocumentXml({"Words of another letter."})).bytes() +
                            MakeEntry(Picture(3), 8, "word/media/image1.png").bytes();
  const test::DeepResult r = ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/document.xml"), other));
  EXPECT_EQ(r.text, s.intact.text + "\r\nWords of another letter.\r\n");
  ASSERT_EQ(r.pictures.size(), 2u);
  EXPECT_EQ(r.pictureBytes[0], s.picture1);
  EXPECT_NE(r.reasons("docx").find("A second main document (\"word/document.xml\") lies here, not listed by the "
                                   "package's central directory"),
            std::string::npos)
      << r.reasons("docx");
  EXPECT_NE(r.reasons("zip").find("An entry that the package's central directory does not list (bytes of another "
                                  "file) lies here; it was left out."),
            std::string::npos)
      << r.reasons("zip");
}

// Main parts of other documents before and after the document's own, some
// without text: each follows the document's text after a blank line, in
// the order they lie in, those after the document's own laid out in place.
TEST(ForeignBytes, SecondDocumentsFollowInTheirOrderWithBlankLines) {
  std::vector<LocalEntry> entries = {MakeEntry(test::DocumentXml({"Early one."}), 8, "word/early.xml"),
                                     MakeEntry(test::DocumentXml({"The document."}))};
  for (auto [name, words] : {std::pair<std::string, std::string>{"word/p1.xml", ""},
                             {"word/p2.xml", "Later one."},
                             {"word/p3.xml", ""},
                             {"word/p4.xml", "Last."}}) {
    entries.push_back(
        MakeEntry(words.empty() ? test::DocumentXml({}) : test::DocumentXml({std::string_view(words)}), 8, name));
  }
  const test::DeepResult r = ReadDeep(Package(entries));
  EXPECT_EQ(r.text, "The document.\r\n\r\nEarly one.\r\n\r\n\r\nLater one.\r\n\r\n\r\nLast.\r\n");
  const std::string reasons = r.reasons("docx");
  size_t at = 0;
  for (const char* name : {"early", "p1", "p2", "p3", "p4"}) {
    at = reasons.find("A second main document (\"word/" + std::string(name) + ".xml\")", at);
    EXPECT_NE(at, std::string::npos) << name << "\n" << reasons;
  }
}

// A whole smaller package, with its own directory, inside this one.
TEST(ForeignBytes, AnotherPackagesDirectoryIsNotTakenForThePackages) {
  const Sample s = MakeSample();
  const std::string other =
      Package({MakeEntry(test::DocumentXml({"Another package."})), MakeEntry(Picture(4), 8, "word/media/image1.png")});
  const test::DeepResult r = ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/header1.xml"), other));
  EXPECT_EQ(r.text, s.intact.text + "\r\nAnother package.\r\n");
  ASSERT_EQ(r.pictures.size(), 2u);
  EXPECT_EQ(r.pictureBytes[0], s.picture1);
  EXPECT_EQ(r.pictureBytes[1], s.picture2);
}

// A larger package inside this one is still the piece of another file, and
// so is another package's directory whose entries are not there.
TEST(ForeignBytes, LargerOrPartialPackageInsideIsNotTakenForThePackage) {
  const Sample s = MakeSample();
  std::vector<LocalEntry> many = {MakeEntry(test::DocumentXml({"Another package."}))};
  for (int i = 0; i < 9; ++i)
    many.push_back(MakeEntry(Picture(20 + i), 8, "word/media/p" + std::to_string(i) + ".png"));
  const std::string larger = Package(many);
  const test::DeepResult r = ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/header1.xml"), larger));
  EXPECT_EQ(r.text, s.intact.text + "\r\nAnother package.\r\n");
  EXPECT_EQ(r.pictures.size(), 2u);
  const std::string directoryOnly = larger.substr(larger.find("PK\x01\x02"));
  const test::DeepResult partial =
      ReadDeep(Insert(s.bytes, LocalHeader(s.bytes, "word/media/image1.png"), directoryOnly));
  ExpectAllOf(s, partial);
}

// The directory's own local header is damaged and a copy of the part from
// another document lies elsewhere: the data that checks out decides.
TEST(ForeignBytes, DamagedHeaderIsPreferredToAnotherDocumentsCopyByItsData) {
  const Sample s = MakeSample();
  std::string bytes = Insert(s.bytes, 0, MakeEntry(test::DocumentXml({"Stale copy."})).bytes());
  const size_t own = bytes.find("word/document.xml", LocalHeader(bytes, "word/document.xml") + 31) - 30;
  bytes[own + 1] = 'X';  // the package's own header (past the copy) loses its signature
  const test::DeepResult r = ReadDeep(bytes);
  EXPECT_EQ(r.text, s.intact.text + "\r\nStale copy.\r\n");
  EXPECT_NE(r.reasons("zip").find("The local header of \"word/document.xml\" is damaged (its signature is damaged)"),
            std::string::npos)
      << r.reasons("zip");
}

// Bytes of another package written over the middle of the main document's
// compressed data, one of its local headers among them: the document's
// entry is read to the end its directory gives, through the damage, and
// the header inside is neither an entry nor a second document. Cut at the
// header, the document lost everything after it.
TEST(ForeignBytes, HeaderOfAnotherFileInsideTheDocumentsDataIsPartOfItsDamage) {
  const std::string xml = test::LongDocumentXml(600);
  const std::string intact = Package({MakeEntry(xml), MakeEntry(Picture(1), 8, "word/media/image1.png")});
  const std::string other = MakeEntry(test::DocumentXml({"Words of another letter."})).bytes();
  std::string bytes = intact;
  const size_t data = LocalHeader(bytes, "word/document.xml") + 30 + std::string("word/document.xml").size();
  const size_t at = data + (LocalHeader(bytes, "word/media/image1.png") - data) / 2;
  bytes.replace(at, other.size(), other);
  const test::DeepResult r = ReadDeep(bytes);
  ASSERT_TRUE(r.status.ok());
  // Past the damage the document's text comes back, where its copies let it (cut at the header, 45 %).
  EXPECT_GT(r.text.size(), ReadDeep(intact).text.size() * 3 / 5);
  EXPECT_EQ(r.text.find("another letter"), std::string::npos);
  EXPECT_EQ(r.reasons("docx"), "");
  EXPECT_EQ(r.reasons("zip"),
            "The data of \"word/document.xml\" holds a header of another file here; the entry was "
            "read to the end its central directory record gives.\n");
  ASSERT_EQ(r.pictures.size(), 1u);
  EXPECT_FALSE(r.pictures[0].partial);
}

TEST(ForeignBytes, CarvedPackageWithAPieceBeforeItsMainDocument) {
  std::ifstream in(std::string(KW_SOURCE_DIR) + "/tests/deep_docx/data/foreign-piece.docx", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_EQ(bytes.size(), 592022u);
  const test::DeepResult r = ReadDeep(bytes);
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.text.rfind("Garden Diary with Pictures\r\n", 0), 0u);
  EXPECT_NE(r.text.find("the apple tree in early spring"), std::string::npos);
  ASSERT_EQ(r.pictures.size(), 4u);
  for (const PictureRecord& p : r.pictures) EXPECT_FALSE(p.partial) << p.name;
  EXPECT_EQ(r.reasons("inflate"), "");
  EXPECT_EQ(r.reasons("zip"),
            "The central directory lies 463360 bytes after where its end record places it (bytes were inserted into "
            "the package); each entry was looked for where it lies.\n");
}

}  // namespace
}  // namespace kw
