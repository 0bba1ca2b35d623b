// SPDX-License-Identifier: Apache-2.0
// WriteDocx: the document XML of a text, and a package our own .docx
// recovery reads back.

#include "formats/docx/zip/docx_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "formats/docx/text/docx_recovery.h"
#include "tests/support/fake_host.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

TEST(DocumentXml, OneParagraphPerLineWhateverTheLineEnd) {
  const std::string xml = DocumentXml("one\r\ntwo\nthree\rfour");
  size_t paragraphs = 0;
  for (size_t at = xml.find("<w:p>"); at != std::string::npos; at = xml.find("<w:p>", at + 1)) ++paragraphs;
  EXPECT_EQ(paragraphs, 4u);
  EXPECT_EQ(xml.find("<w:p></w:p>"), std::string::npos);  // "\r\n" is one line end
  EXPECT_NE(DocumentXml("a\r\n\r\nb").find("<w:p></w:p>"), std::string::npos);
}

TEST(DocumentXml, EscapesMarkupAndDropsWhatXmlCannotHold) {
  const std::string xml =
      DocumentXml(std::string("a<b>&c\td\x01\x1F"
                              "e\xC3\xA9\xFF"
                              "f",
                              15));
  EXPECT_NE(xml.find("a&lt;b&gt;&amp;c</w:t><w:tab/><w:t xml:space=\"preserve\">de\xC3\xA9"
                     "f"),
            std::string::npos)
      << xml;
}

TEST(WriteDocx, PackageReadsBackThroughDocxRecovery) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.docx";
  ASSERT_TRUE(WriteDocx(path, "First line\r\nSecond & last").ok());
  RecoveryJobState job;
  test::FakeHost host;
  host.path = path;
  ASSERT_TRUE(DocxRecovery(job, host).ok());
  EXPECT_NE(job.sRecoveredText.find("First line"), std::string::npos) << job.sRecoveredText;
  EXPECT_NE(job.sRecoveredText.find("Second & last"), std::string::npos);
  EXPECT_LT(job.sRecoveredText.find("First"), job.sRecoveredText.find("Second"));
}

TEST(WriteDocx, FailureNamesTheFileAndLeavesNothingBehind) {
  test::TempDir dir;
  const std::string path = dir.path() + "/no/such/folder/out.docx";
  const Status status = WriteDocx(path, "text");
  EXPECT_TRUE(status.isIOError());
  EXPECT_NE(status.message().find(path), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(WriteDocx, FilesAndLinksBesideTheTargetAreLeftAlone) {
  test::TempDir dir;
  const std::string victim = dir.write("victim.txt", "keep me");
  const std::string part = dir.write("save.docx.part", "mine");
  ASSERT_EQ(::symlink(victim.c_str(), (dir.path() + "/other.docx.part").c_str()), 0);
  ASSERT_TRUE(WriteDocx(dir.path() + "/save.docx", "text").ok());
  ASSERT_TRUE(WriteDocx(dir.path() + "/other.docx", "text").ok());
  EXPECT_EQ(test::ReadFile(part), "mine");
  EXPECT_EQ(test::ReadFile(victim), "keep me");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 5u);  // the two saves beside the three that were there
}

TEST(WriteDocx, KwrecoverWritesAWordDocumentForADocxName) {
  test::TempDir dir;
  const std::string doc = dir.write("letter.doc", std::string(2560, '\0') + "  Dear Sam,\rSee you soon.  ");
  const std::string text = test::RunProcess(KWRECOVER_PATH, {"quick", doc}).out;
  for (const std::string name : {"out.docx", "OUT.DOCX"}) {
    const auto r = test::RunProcess(KWRECOVER_PATH, {"quick", doc, "-o", dir.path() + "/" + name});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::string expected;
    ASSERT_TRUE(DocxPackage(text, &expected).ok());
    EXPECT_EQ(test::ReadFile(dir.path() + "/" + name), expected) << name;
  }
}

}  // namespace
}  // namespace kw
