// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/deep_docx.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "base/job_progress.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "tests/deep_docx/deep_package.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::LocalEntry;
using test::MakeEntry;
using test::Package;
using test::ReadDeep;

const std::string kDoc = test::DocumentXml({"Alpha paragraph.", "Beta paragraph."});
const std::string kRels =
    "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    "officeDocument\" Target=\"/word/main.xml\"/></Relationships>";

std::string Part(const char* root, const char* text) {
  return std::string("<?xml version=\"1.0\"?><w:") + root + " xmlns:w=\"x\"><w:p><w:r><w:t>" + text +
         "</w:t></w:r></w:p></w:" + root + ">";
}

TEST(DeepDocx, IntactPackageGivesTextThenOtherPartsAfterABlankLine) {
  const test::DeepResult r = ReadDeep(Package({MakeEntry(Part("ftr", "Foot"), 8, "word/footer1.xml"), MakeEntry(kDoc),
                                               MakeEntry(Part("hdr", "Head"), 8, "word/header1.xml"),
                                               MakeEntry(Part("comments", "Note"), 0, "word/comments.xml"),
                                               MakeEntry(Part("styles", "Not text"), 8, "word/styles.xml")}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n\r\nHead\r\n\r\nFoot\r\n\r\nNote\r\n");
  EXPECT_TRUE(r.damage.empty());
}

TEST(DeepDocx, NotAPackageIsInvalid) {
  const test::DeepResult r = ReadDeep("plain text, no ZIP at all " + std::string(500, 'x'));
  EXPECT_FALSE(r.status.ok());
  EXPECT_FALSE(r.status.isIOError());
  EXPECT_NE(r.status.message().find("no ZIP entries"), std::string::npos);
  // A stray signature in a file that is no package leaves no damage for the next reader to explain.
  const test::DeepResult stray = ReadDeep("text PK\x03\x04 and more text " + std::string(500, 'x'));
  EXPECT_FALSE(stray.status.ok());
  EXPECT_TRUE(stray.damage.empty());
}

// The main part's local name is garbled: the central directory names it.
TEST(DeepDocx, GarbledLocalNameIsReadWithTheDirectorysNumbers) {
  LocalEntry doc = MakeEntry(kDoc);
  const LocalEntry named = doc;
  doc.name = "word/\x01\x02\x03ument.xml";
  std::string bytes = Package({MakeEntry("<Types/>", 8, "[Content_Types].xml"), named});
  const size_t at = bytes.find("word/document.xml");
  bytes.replace(at, doc.name.size(), doc.name);
  const test::DeepResult r = ReadDeep(bytes);
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_NE(r.reasons("zip").find("\"word/document.xml\" is damaged (its name is garbled); the entry was read with "
                                  "the central directory's numbers"),
            std::string::npos)
      << r.reasons("zip");
}

// No directory and a garbled name: the part is known by its root element.
TEST(DeepDocx, MainDocumentFoundByContent) {
  LocalEntry doc = MakeEntry(kDoc);
  doc.name = "\x01\x02\x03";
  const test::DeepResult r = ReadDeep(Package({doc}, false));
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_NE(r.reasons("zip").find("garbled name; its entry is identified by its content"), std::string::npos);
}

TEST(DeepDocx, MainDocumentFoundByRelationship) {
  const test::DeepResult r =
      ReadDeep(Package({MakeEntry(kRels, 8, "_rels/.rels"), MakeEntry(kDoc, 8, "word/main.xml")}));
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
}

// Sizes after the data (flag bit 3, zeros in the header), no directory: the
// stream ends itself and the data descriptor gives the CRC.
TEST(DeepDocx, StreamedEntryWithDataDescriptor) {
  LocalEntry doc = MakeEntry(kDoc);
  doc.flags = 0x0008;
  const uint32_t crc = doc.crc, csize = doc.compressedSize, usize = doc.uncompressedSize;
  doc.crc = doc.compressedSize = doc.uncompressedSize = 0;
  doc.payload += test::Descriptor(crc, csize, usize);
  const test::DeepResult r = ReadDeep(Package({doc, MakeEntry("<Types/>", 8, "[Content_Types].xml")}, false));
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_TRUE(r.damage.empty()) << r.reasons("zip") << r.reasons("inflate");
}

// The other way round: a damaged directory header, a sound local header.
TEST(DeepDocx, DamagedDirectoryHeaderIsSkippedAndTheLocalHeaderRead) {
  std::string bytes = Package({MakeEntry(kDoc)});
  const size_t central = bytes.find("PK\x01\x02");
  bytes[central + 10] = 99;  // compression method 99
  const test::DeepResult r = ReadDeep(bytes);
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_EQ(r.reasons("zip"),
            "A central directory header was skipped: it uses compression method 99, which cannot be inflated here.\n");
}

TEST(DeepDocx, StoredContentTypesFirstIsNoObstacle) {
  const test::DeepResult r = ReadDeep(
      Package({MakeEntry("<Types><Override PartName=\"/word/document.xml\"/></Types>", 0, "[Content_Types].xml"),
               MakeEntry(kDoc)}));
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
}

// Zip64: the local header's sizes are 0xFFFFFFFF and its extra field has the real ones.
TEST(DeepDocx, Zip64LocalHeader) {
  LocalEntry doc = MakeEntry(kDoc);
  doc.extra = test::Le16(1) + test::Le16(16) + test::Le32(doc.uncompressedSize) + test::Le32(0) +
              test::Le32(doc.compressedSize) + test::Le32(0);
  doc.compressedSize = doc.uncompressedSize = 0xFFFFFFFF;
  const test::DeepResult r = ReadDeep(Package({doc}, false) + "PK\x05\x06" + std::string(18, '\0'));
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_TRUE(r.reasons("inflate").empty()) << r.reasons("inflate");
}

TEST(DeepDocx, CutDeflateKeepsTheTextBeforeTheCut) {
  const std::string xml = test::LongDocumentXml(400);
  LocalEntry doc = MakeEntry(xml);
  doc.payload.resize(doc.payload.size() / 2);
  const test::DeepResult r = ReadDeep(Package({doc}, false));
  EXPECT_EQ(r.text.rfind("Paragraph 0 tells of ", 0), 0u);
  EXPECT_EQ(r.text.find("Paragraph 399"), std::string::npos);
  EXPECT_NE(r.reasons("inflate").find("\"word/document.xml\" stops before its end"), std::string::npos)
      << r.reasons("inflate");
}

TEST(DeepDocx, DamagedDeflateKeepsTheTextBeforeTheDamageAndSaysWhere) {
  LocalEntry doc = MakeEntry(test::LongDocumentXml(300));
  const size_t at = doc.payload.size() / 2;
  doc.payload[at] = static_cast<char>(doc.payload[at] ^ 0x5A);
  const std::string bytes = Package({doc});
  const test::DeepResult r = ReadDeep(bytes);
  EXPECT_EQ(r.text.rfind("Paragraph 0 tells of ", 0), 0u);
  EXPECT_NE(r.text.find("Paragraph 40 tells of "), std::string::npos);
  ASSERT_FALSE(r.damage.empty());
  const Damage& d = r.damage.entries()[0];
  EXPECT_EQ(d.reader, "inflate");
  EXPECT_GE(d.offset, static_cast<int64_t>(bytes.find(doc.payload) + at));
  EXPECT_EQ(
      d.reason.rfind("The compressed data of \"word/document.xml\" is damaged here: the output before it was kept", 0),
      0u);  // and how much output the stretch hid, or that this cannot be told
  EXPECT_TRUE(d.reason.find(" of its output were lost there.") != std::string::npos ||
              d.reason.find(" of its output was lost there.") != std::string::npos ||
              d.reason.find("how many bytes of its output were lost cannot be told.") != std::string::npos)
      << d.reason;
}

// 512 random bytes inside the compressed document: the text on both sides
// of them comes back, and nothing the damage made up comes with it (every
// word is one the document holds, for bytes decoded from the damage would
// otherwise spread through the rest as wrong text).
TEST(DeepDocx, RandomStretchGivesTheTextAroundItAndNoJunk) {
  const std::string xml = test::LongDocumentXml(1500);
  LocalEntry doc = MakeEntry(xml);
  const size_t at = doc.payload.size() / 4;
  uint32_t seed = 99;
  for (size_t i = at; i < at + 512; ++i) {
    seed = seed * 1103515245u + 12345u;
    doc.payload[i] = static_cast<char>(seed >> 24);
  }
  const std::string bytes = Package({doc});
  const test::DeepResult r = ReadDeep(bytes);
  EXPECT_EQ(r.text.rfind("Paragraph 0 tells of ", 0), 0u);
  // One stretch is reported, and it covers the random bytes (the codes
  // decoded from them were dropped with them), a few codes on at the most.
  ASSERT_EQ(r.damage.entries().size(), 1u);
  const Damage& d = r.damage.entries()[0];
  const int64_t first = static_cast<int64_t>(bytes.find(doc.payload) + at);
  EXPECT_LE(d.offset, first + 16);
  EXPECT_GE(d.offset + d.length, first + 512);
  EXPECT_LE(d.offset + d.length, first + 512 + 64);
  std::set<std::string> words;  // the document's
  size_t paragraphs = 0;        // that came back, if only in part
  std::string word;
  for (const char c : xml.substr(xml.find("<w:body>")) + " ") {
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += c;
    } else if (!word.empty()) {
      words.insert(word);
      word.clear();
    }
  }
  size_t found = 0, junk = 0;
  for (size_t at = 0; at < r.text.size(); ++at) {
    const char c = r.text[at];
    paragraphs += c == '\n' ? 1 : 0;
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += c;
      continue;
    }
    if (word.empty()) continue;
    ++found;
    junk += words.count(word) == 0 ? 1 : 0;
    word.clear();
  }
  EXPECT_EQ(junk, 0u);
  EXPECT_GT(found, 1500u * 9 / 3);  // of the 13,500 words, a third at the least
  EXPECT_GT(paragraphs, 1500u * 2 / 3);
}

// Zeros over the start of the compressed document hide the first of every
// tag, so that later copies of "<w:t>" and "</w:t>" lose bytes too, while
// the words between them are written anew: the runs are known by the form
// of their tags, and the text comes back, each line as the document has it
// (not "Paragraph 202" for a "Paragraph 102" whose "1" the damage hid,
// where the known text says "2").
TEST(DeepDocx, DamageAtThePartsStartKeepsTheRunsAfterIt) {
  const std::string xml = test::LongDocumentXml(300);
  LocalEntry doc = MakeEntry(xml);
  std::fill(doc.payload.begin() + 150, doc.payload.begin() + 166, '\0');
  const test::DeepResult r = ReadDeep(Package({doc}));
  size_t paragraphs = 0, junk = 0;
  for (size_t at = 0, end = 0; (end = r.text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string line = r.text.substr(at, end - at);
    paragraphs += line.find(" tells of ") != std::string::npos ? 1 : 0;
    // A number that touches a hidden byte is dropped with it, and only that.
    const std::string held = line.rfind("Paragraph tells of ", 0) == 0 ? line.substr(10) : line;
    junk += xml.find(held) == std::string::npos ? 1 : 0;
  }
  EXPECT_GT(paragraphs, 300u * 9 / 10);
  EXPECT_EQ(junk, 0u);
}

TEST(DeepDocx, CrcMismatchKeepsTheTextAndSaysSo) {
  LocalEntry doc = MakeEntry(kDoc, 0);
  doc.payload.replace(doc.payload.find("Alpha"), 5, "Alfa.");
  const test::DeepResult r = ReadDeep(Package({doc}));
  EXPECT_EQ(r.text, "Alfa. paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_NE(r.reasons("inflate").find("fails its CRC check"), std::string::npos);
}

TEST(DeepDocx, RejectedLocalHeaderIsReportedWithWhy) {
  LocalEntry locked = MakeEntry("secret", 8, "word/secret.xml");
  locked.flags = 1;
  const test::DeepResult r = ReadDeep(Package({locked}, false) + Package({MakeEntry(kDoc)}, false));
  EXPECT_EQ(r.text, "Alpha paragraph.\r\nBeta paragraph.\r\n");
  EXPECT_NE(r.reasons("zip").find("A local header (\"word/secret.xml\") was skipped: the entry is encrypted."),
            std::string::npos);
}

TEST(DeepDocx, NoMainDocumentIsReported) {
  const test::DeepResult r = ReadDeep(Package({MakeEntry(Part("ftr", "Foot"), 8, "word/footer1.xml")}));
  EXPECT_TRUE(r.status.ok());
  EXPECT_EQ(r.text, "Foot\r\n");
  EXPECT_NE(r.reasons("docx").find("No main document"), std::string::npos);
}

TEST(DeepDocx, PicturesByFolderAndBySignature) {
  const std::string png = test::TinyPng(40, 30);
  std::string gif = "GIF89a" + test::Le16(7) + test::Le16(5) + std::string(20, '\0');
  LocalEntry cut = MakeEntry(png + test::LongDocumentXml(200), 8, "word/media/image3.png");
  cut.payload.resize(cut.payload.size() / 2);
  const test::DeepResult r = ReadDeep(
      Package({MakeEntry(kDoc), MakeEntry(png, 8, "word/media/image1.png"), MakeEntry(gif, 0, "docProps/thumb.gif"),
               MakeEntry("not a picture", 8, "word/media/odd.dat"), MakeEntry("plain", 8, "word/other.bin"), cut},
              false));
  ASSERT_EQ(r.pictures.size(), 4u);
  const PictureRecord& p = r.pictures[0];
  EXPECT_EQ(p.kind, PictureRecord::Kind::kPng);
  EXPECT_EQ(p.name, "image1");
  EXPECT_EQ(p.ext, "png");
  EXPECT_EQ(r.pictureBytes[0], png);
  EXPECT_TRUE(p.hasBytes);
  EXPECT_FALSE(p.partial);
  EXPECT_EQ(p.width, 40);
  EXPECT_EQ(p.height, 30);
  EXPECT_EQ(r.pictures[1].kind, PictureRecord::Kind::kGif);
  EXPECT_EQ(r.pictures[1].width, 7);
  EXPECT_EQ(r.pictures[2].kind, PictureRecord::Kind::kOther);
  EXPECT_EQ(r.pictures[2].ext, "dat");
  EXPECT_TRUE(r.pictures[3].partial);
  EXPECT_EQ(r.pictureBytes[3].rfind(png, 0), 0u);
  EXPECT_NE(r.reasons("inflate").find("\"word/media/image3.png\" stops before its end"), std::string::npos);
}

class CancelAtOnce : public JobProgress {
 public:
  bool cancelRequested() const override { return true; }
};

TEST(DeepDocx, CancelledJobReturnsWhatItHas) {
  test::TempDir dir;
  std::vector<LocalEntry> entries;
  for (int i = 0; i < 200; ++i)
    entries.push_back(MakeEntry(test::LongDocumentXml(300), 8, "word/header" + std::to_string(i) + ".xml"));
  SourceFile file;
  ASSERT_TRUE(SourceFile::Open(dir.write("big.docx", Package(entries)), &file).ok());
  CancelAtOnce progress;
  YieldClock clock(progress);
  std::string text;
  std::vector<PictureRecord> pictures;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(ReadDocxDeep(file, &clock, nullptr, &text, &pictures).ok());
  EXPECT_TRUE(clock.stopped());
  EXPECT_LT(text.size(), 200u * 300u * 40u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace kw
