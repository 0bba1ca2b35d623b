// SPDX-License-Identifier: Apache-2.0
// Deep Recovery's embedded documents across the formats (the job hands each
// to the reader of its kind), and the pictures in the --report JSON.
#include <gtest/gtest.h>

#include "base/source_file.h"
#include "jobs/job.h"
#include "tests/deep_doc/art_builder.h"
#include "tests/deep_docx/deep_package.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

const std::string kDocumentXml =
    "<w:document><w:body><w:p><w:r><w:t>Words inside the package</w:t></w:r></w:p></w:body></w:document>";

std::string Made(const std::string& path, const JobResult& result, const PictureRecord& p) {
  if (!p.maker) return p.bytes;
  SourceFile file;
  EXPECT_TRUE(SourceFile::Open(path, &file).ok());
  std::string out;
  EXPECT_TRUE(p.maker
                  ->make(
                      file, [&](std::string_view b) { return out.append(b), Status::OK(); }, nullptr)
                  .ok());
  (void)result;
  return out;
}

class EmbeddedTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FakeProgress progress;
};

TEST_F(EmbeddedTest, PackageInsideADocGoesThroughThePackageReader) {
  const std::string png = test::TinyPng(3, 2);
  const std::string package =
      test::Package({test::MakeEntry(kDocumentXml), test::MakeEntry(png, 0, "word/media/image1.png")});
  test::PictureDoc doc;
  doc.text = "Outer text\r";
  doc.extra = {{"ObjectPool/_7/\x01"
                "CompObj",
                std::string(28, '\0') + "Word.Document.12"},
               {"ObjectPool/_7/Package", package}};
  test::CfbLayout layout;
  const std::string path = dir.write("outer.doc", test::BuildPictureDoc(doc, &layout));
  const JobResult result = RunJob({path, JobMode::kDeep}, progress);
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ(result.text, "Outer text\r\n\r\nWords inside the package\r\n");
  ASSERT_EQ(result.pictures.size(), 2u);
  // The package itself stays listed under the object's name; its picture follows.
  EXPECT_EQ(result.pictures[0].name + "." + result.pictures[0].ext, "object_7.docx");
  EXPECT_EQ(result.pictures[0].reader, "package");
  EXPECT_EQ(Made(path, result, result.pictures[0]), package);
  EXPECT_EQ(result.pictures[1].name + "." + result.pictures[1].ext, "picture-001.png");
  EXPECT_EQ(Made(path, result, result.pictures[1]), png);
}

TEST_F(EmbeddedTest, DocxEmbeddingsAreReadOrKeptAsAttachments) {
  test::CfbLayout layout;
  const std::string doc = test::BuildWord97File(test::BuildWord97({{"Old document words\r", true}}, 19), &layout);
  const std::string sheet = "PK\x03\x04 not read, only kept";
  const std::string package =
      test::Package({test::MakeEntry(kDocumentXml), test::MakeEntry(doc, 8, "word/embeddings/old.doc"),
                     test::MakeEntry(sheet, 0, "word/embeddings/Budget.xlsx")});
  const std::string path = dir.write("outer.docx", package);
  const JobResult result = RunJob({path, JobMode::kDeep}, progress);
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ(result.text, "Words inside the package\r\n\r\nOld document words\r\n");
  ASSERT_EQ(result.pictures.size(), 1u);
  EXPECT_EQ(result.pictures[0].name + "." + result.pictures[0].ext, "Budget.xlsx");
  EXPECT_EQ(result.pictures[0].bytes, sheet);
}

TEST_F(EmbeddedTest, ReportNamesEachPicturesReader) {
  DamageReport damage;
  damage.add(10, 5, "doc",
             "Picture picture-002.png: its last 5 of 9 bytes are lost; it was written as far as it goes.");
  std::vector<PictureRecord> pictures(2);
  pictures[0].name = "picture-001";
  pictures[0].ext = "jpg";
  pictures[0].reader = "doc";
  pictures[0].hasBytes = true;
  pictures[0].bytes = "12345";
  pictures[1].name = "picture-002";
  pictures[1].ext = "png";
  pictures[1].reader = "doc-scan";
  pictures[1].firstByte = 11;
  pictures[1].lastByte = 14;
  pictures[1].partial = true;
  const std::string json = damage.ToJson("a.doc", "deep", "", &pictures);
  EXPECT_NE(json.find("\"pictures\": [\n    {\"file\": \"picture-001.jpg\", \"reader\": \"doc\", \"bytes\": 5, "
                      "\"partial\": false},\n    {\"file\": \"picture-002.png\", \"reader\": \"doc-scan\", \"bytes\": "
                      "4, \"partial\": true}\n  ],"),
            std::string::npos)
      << json;
  EXPECT_EQ(damage.ToJson("a.doc", "quick", "").find("pictures"), std::string::npos);
}

}  // namespace
}  // namespace kw
