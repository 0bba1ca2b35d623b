// SPDX-License-Identifier: Apache-2.0
// Deep Recovery of .docx packages on the inputs that cost without bound:
// many damaged entries, and pictures that inflate far. Held to their bounds
// by the work they count and the heap they use, never by time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/docx/deep/deep_docx.h"
#include "formats/docx/deep/tolerant_inflate.h"
#include "formats/images/image_extraction.h"
#include "jobs/job.h"
#include "tests/deep_docx/deep_package.h"
#include "tests/support/heap_peak.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// A document whose deflate stream has a byte changed every 97 bytes from
// its middle on: each stream keeps its repairs busy.
std::string DamagedStream(int paragraphs) {
  std::string z = test::RawDeflate(test::LongDocumentXml(paragraphs));
  for (size_t at = z.size() / 2; at < z.size(); at += 97) z[at] = static_cast<char>(z[at] ^ 0x5A);
  return z;
}

// Streams that share a budget stop spending once it is gone: each later
// damaged one is counted as skipped and costs no trial at all.
TEST(RepairBudgetTest, StreamsShareTheBudgetAndThenSkipTheirRepairs) {
  const std::string z = DamagedStream(120);
  RepairBudget budget;
  budget.symbols = 1 << 20;
  TolerantInflateOptions options;
  options.budget = &budget;
  int runs = 0;
  while (!budget.spent() && runs < 1000) {
    TolerantInflate(z, options, nullptr);
    ++runs;
  }
  ASSERT_TRUE(budget.spent());
  EXPECT_LT(runs, 1000);
  const RepairBudget before = budget;
  const InflateOutcome r = TolerantInflate(z, options, nullptr);
  EXPECT_EQ(budget.symbols, before.symbols);  // nothing more was spent
  EXPECT_EQ(budget.positions, before.positions);
  EXPECT_EQ(budget.skipped, before.skipped + 1);
  ASSERT_FALSE(r.pieces.empty());  // the text before the first break is kept
  EXPECT_TRUE(r.pieces[0].fromStart);
}

// A package of 150 damaged parts: the first ones are repaired while the
// budget lasts, the rest keep their text up to their first break, and the
// report says how many.
TEST(RepairBudgetTest, PackageOfDamagedEntriesSaysWhichWereNotRepaired) {
  std::vector<test::LocalEntry> entries;
  const std::string z = DamagedStream(60);
  for (int k = 0; k < 150; ++k) {
    test::LocalEntry e = test::MakeEntry(test::LongDocumentXml(60), 8, "word/header" + std::to_string(k) + ".xml");
    e.payload = z;
    entries.push_back(e);
  }
  // A picture cut short after them: a picture is never repaired, and keeps
  // all it inflates to, budget or not.
  const std::string png = test::TinyPng(8, 8) + test::LongDocumentXml(40);
  test::LocalEntry cut = test::MakeEntry(png, 8, "word/media/image1.png");
  cut.payload.resize(cut.payload.size() / 2);
  entries.push_back(cut);
  RepairBudget budget;  // a small one, that a few entries spend
  budget.symbols = 2 << 20;
  budget.positions = 1 << 20;
  const test::DeepResult r = test::ReadDeep(test::Package(entries), budget);
  ASSERT_TRUE(r.status.ok());
  const std::string reasons = r.reasons("inflate");
  const size_t summary = reasons.find(" damaged entries were not repaired");
  ASSERT_NE(summary, std::string::npos);
  const size_t line = reasons.rfind('\n', summary);
  EXPECT_GT(std::stoi(reasons.substr(line == std::string::npos ? 0 : line + 1)), 100);  // all but the first few
  EXPECT_NE(r.text.find("Paragraph 1 "), std::string::npos);
  ASSERT_EQ(r.pictures.size(), 1u);
  EXPECT_TRUE(r.pictures[0].partial);
  EXPECT_GT(r.pictureBytes[0].size(), png.size() / 4);
  EXPECT_EQ(png.compare(0, r.pictureBytes[0].size(), r.pictureBytes[0]), 0);
}

// Four pictures that each inflate to 16 MiB: the reader keeps none of them,
// and each is inflated again, a piece at a time, as it is written.
TEST(PictureBoundsTest, PicturesAreKeptAsTheirEntriesUntilWritten) {
  const std::string png = test::TinyPng(64, 64) + std::string(16 << 20, '\0');
  test::LocalEntry picture = test::MakeEntry(png, 8, "word/media/image0.png");
  std::vector<test::LocalEntry> entries = {test::MakeEntry(test::LongDocumentXml(3))};
  for (int k = 0; k < 4; ++k) {
    picture.name = "word/media/image" + std::to_string(k) + ".png";
    entries.push_back(picture);
  }
  test::TempDir dir;
  const std::string path = dir.write("bombs.docx", test::Package(entries));
  entries.clear();
  SourceFile file;
  ASSERT_TRUE(SourceFile::Open(path, &file).ok());
  std::vector<PictureRecord> pictures;
  std::string text;
  test::HeapPeak reading;
  ASSERT_TRUE(ReadDocxDeep(file, nullptr, nullptr, &text, &pictures).ok());
  EXPECT_LT(reading.bytes(), 4 << 20);  // one picture would be 16 MiB
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_EQ(pictures[3].ownSize(), int64_t(png.size()));
  EXPECT_EQ(pictures[3].width, 64);
  EXPECT_FALSE(pictures[3].partial);
  test::HeapPeak writing;
  for (const PictureRecord& p : pictures) {
    ASSERT_TRUE(ExtractImage(path, file.identity(), p, dir.path() + "/" + p.name + ".png", false).ok());
  }
  EXPECT_LT(writing.bytes(), 4 << 20);
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() + "/image3.png").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, int64_t(png.size()));
}

// A package of `count` entries all named alike, stored, and a central
// directory whose records agree with none of them: every record has many
// candidates and none checks out.
std::string SameNames(int count) {
  test::LocalEntry entry = test::MakeEntry("<w:t>x</w:t>", 0);
  std::string body, central;
  for (int i = 0; i < count; ++i) {
    entry.crc = uint32_t(i);
    const uint32_t at = uint32_t(body.size());
    body += entry.bytes();
    entry.crc = uint32_t(i) + 1;
    central += test::CentralHeader(entry, at + 7);
  }
  std::string end = "PK\x05\x06" + std::string(4, '\0');
  for (uint32_t v : {uint32_t(count & 0xFFFF) * 0x10001u, uint32_t(central.size()), uint32_t(body.size())}) {
    for (int k = 0; k < 4; ++k) end.push_back(static_cast<char>(v >> (8 * k)));
  }
  return body + central + end + std::string(2, '\0');
}

// The heap Deep Recovery of the package `bytes` takes; its text in *text.
int64_t DeepPeak(const std::string& bytes, std::string* text) {
  test::TempDir dir;
  const std::string path = dir.write("package.docx", bytes);
  SourceFile file;
  EXPECT_TRUE(SourceFile::Open(path, &file).ok());
  std::vector<PictureRecord> pictures;
  DamageReport damage;
  test::HeapPeak heap;
  EXPECT_TRUE(ReadDocxDeep(file, nullptr, &damage, text, &pictures).ok());
  return heap.bytes();
}

int64_t SameNamesPeak(int count) {
  std::string text;
  return DeepPeak(SameNames(count), &text);
}

// Each header is held once, in a vector of its size: the memory grows with
// the entries, about 500 bytes each, so that the 100,000 headers of a kind
// read at most stay within the bound (200,000 took some 800 bytes each).
TEST(PackageBoundsTest, ManyEntriesOfOneNameStayWithinTheBound) {
  const int64_t small = SameNamesPeak(10000), twice = SameNamesPeak(20000);
  EXPECT_LT(twice, small * 21 / 10);
  EXPECT_LT(twice - small, int64_t(10000) * 560);
}

// A package of many parts whose content is a main document, after the
// document's own: their texts are held once while the package is read, in
// buffers made at their size, not in each part and then again in a text
// that grows. The text is then made at its size, each buffer freed as it
// takes it: its pages are written as the buffers' are given back, so the
// memory in use stays about the text, while the memory handed out peaks at
// the text, the buffers and one buffer's unused end (4 MiB at most).
TEST(PackageBoundsTest, SecondDocumentsAreHeldOnceInTheText) {
  std::vector<test::LocalEntry> entries = {test::MakeEntry(test::LongDocumentXml(20))};
  for (int k = 1; k <= 2000; ++k) {
    entries.push_back(test::MakeEntry(test::LongDocumentXml(40), 8, "word/part" + std::to_string(k) + ".xml"));
  }
  std::string text;
  const int64_t peak = DeepPeak(test::Package(entries), &text);
  EXPECT_GT(text.size(), size_t(5) << 20);
  EXPECT_LT(peak, 2 * int64_t(text.size()) + (int64_t{5} << 20));  // four times the text before
}

// Quick Recovery of a package whose document has a "<" in its character data
// that nothing closes, so that every tag after it may merge: the text is
// the literal passes', made in a second streaming pass that follows their
// rounds, never from the document held whole (and copied) in memory.
TEST(MergingTagsTest, QuickRecoveryStreamsADocumentWhoseTagsMerge) {
  std::string xml = "<w:document><w:body><w:p><w:r><w:t>a < b</w:t></w:r></w:p>";
  for (int k = 0; xml.size() < (4u << 20); ++k) {
    xml += "<w:p w:rsidR=\"00" + std::to_string(k % 4096) + "\"><w:r><w:t>Paragraph " + std::to_string(k) +
           " &amp; more</w:t></w:r></w:p>";
  }
  xml += "</w:body></w:document>";
  test::TempDir dir;
  const std::string path = dir.write("merged.docx", test::Package({test::MakeEntry(xml)}));
  JobProgress progress;
  test::HeapPeak heap;
  const JobResult result = RunJob({.path = path, .mode = JobMode::kQuick}, progress);
  const int64_t peak = heap.bytes();
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ(result.text.rfind("a \r\nParagraph 0 & more\r\nParagraph 1 & more", 0), 0u) << result.text.substr(0, 200);
  EXPECT_LT(peak, 4 * int64_t(xml.size()));  // the literal passes took some 18 times the document
}

}  // namespace
}  // namespace kw
