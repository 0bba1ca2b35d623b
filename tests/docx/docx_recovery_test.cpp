// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/docx_recovery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "formats/docx/text/document_text.h"
#include "tests/docx/docx_fixtures.h"
#include "tests/docx/zip_builder.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// Points the temporary folder (TMPDIR) elsewhere for one test.
class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const std::string& path) {
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    ::setenv("TMPDIR", path.c_str(), 1);
  }
  ~ScopedTempFolder() {
    if (had_) {
      ::setenv("TMPDIR", old_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::string old_;
  bool had_ = false;
};

std::vector<std::string> WorkingFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("sqx", 0) == 0) files.push_back(entry.path().string());
  }
  return files;
}

struct JobRun {
  Status status;
  std::string text;
  test::FakeProgress host;
};

JobRun Recover(const std::string& path) {
  JobRun run;
  test::FakeHost host;
  host.path = path;
  RecoveryJobState job;
  run.status = DocxRecovery(job, host);
  run.text = job.sRecoveredText;
  run.host = host;
  return run;
}

TEST(DocxRecovery, PackagesFromRealWriters) {
  test::TempDir temp;
  ScopedTempFolder folder(temp.path());
  for (const auto& fixture : test::DocxFixtures()) {
    const JobRun run = Recover(test::FixturePath(fixture.file));
    EXPECT_TRUE(run.status.ok()) << fixture.file;
    EXPECT_EQ(run.text, fixture.text) << fixture.file;
    EXPECT_EQ(run.host.progressMin, 0);
    EXPECT_EQ(run.host.progressMax, 100);
    EXPECT_EQ(run.host.progressValues, (std::vector<int32_t>{0, 25, 50, 100}));
  }
}

TEST(DocxRecovery, CutOffPackagesStillGiveTheirText) {
  // Everything after the main document's entry is gone: the other parts and
  // the whole central directory.
  test::TempDir temp;
  ScopedTempFolder folder(temp.path());
  for (const char* file : {"libreoffice.docx", "python_docx.docx", "zipfile_stream.docx"}) {
    const std::string package = test::ReadFile(test::FixturePath(file));
    const size_t next = package.find("PK", package.find("word/document.xml") + 17);
    // Past the data descriptor, when there is one.
    const size_t end = package.compare(next, 4, "PK\x07\x08") == 0 ? next + 16 : next;
    const std::string expected = [&] {
      for (const auto& f : test::DocxFixtures()) {
        if (f.file == file) return f.text;
      }
      return std::string();
    }();
    EXPECT_EQ(Recover(temp.write("cut.docx", package.substr(0, end))).text, expected) << file;
    EXPECT_EQ(Recover(temp.write("cut.docx", package.substr(0, end - 20))).text, "") << file;
  }
}

// A stored main document is read in pieces through the streaming pass; one
// whose tags merge goes back to the literal passes; a deflated one is
// inflated in pieces into the same pass. All give the literal passes' text,
// and leave no file behind.
TEST(DocxRecovery, StoredAndDeflatedEntriesGiveTheLiteralText) {
  test::TempDir temp;
  ScopedTempFolder folder(temp.path());
  // Past the 1 MiB read piece, with a two-byte character across its end.
  std::string big = "<w:p><w:t>";
  while (big.size() < (1 << 20) - 1) big += "x &amp; y<w:tab/>";
  big.resize((1 << 20) - 1);
  big += "\xC3\xA9</w:t></w:p>";
  for (const std::string& xml : {big, std::string("<w:p><w:t>a</w:t></w:p><x<y>z>tail")}) {
    for (const uint16_t method : {uint16_t{0}, uint16_t{8}}) {
      const JobRun run = Recover(temp.write("a.docx", test::MakeEntry(xml, method).bytes()));
      EXPECT_EQ(run.text, DocumentXmlToText(xml)) << "method " << method;
      EXPECT_TRUE(WorkingFiles(temp.path()).empty());
    }
  }
}

TEST(DocxRecovery, TextIsShownWhenNoWorkingFileCanBeMade) {
  test::TempDir temp;
  const std::string path = temp.write("a.docx", test::MakeEntry(test::DocumentXml({"Still here"})).bytes());
  ScopedTempFolder folder(temp.path() + "/no such folder");
  EXPECT_EQ(Recover(path).text, "Still here\r\n");
}

TEST(DocxRecovery, MainDocumentNotWhereTheNameIsFirstFound) {
  test::TempDir temp;
  ScopedTempFolder folder(temp.path());
  const std::string xml = test::DocumentXml({"Main text"});
  const test::LocalEntry main = test::MakeEntry(xml);

  // A stored content-types part names the main document first.
  const std::string types = "<Override PartName=\"/word/document.xml\"/>";
  const std::string typesEntry = test::MakeEntry(types, 0, "[Content_Types].xml").bytes();
  EXPECT_EQ(Recover(temp.write("types.docx", typesEntry + main.bytes())).text, "");
  // Deflated, as writers do, it hides the name.
  const std::string deflatedTypes = test::MakeEntry(types, 8, "[Content_Types].xml").bytes();
  EXPECT_EQ(Recover(temp.write("ok.docx", deflatedTypes + main.bytes())).text, "Main text\r\n");

  // The local name is damaged; only the central directory still has it.
  test::LocalEntry damaged = main;
  damaged.name = "word/dXcument.xml";
  const std::string onlyCentral = damaged.bytes() + test::CentralHeader(main, 0);
  const JobRun central = Recover(temp.write("central.docx", onlyCentral));
  EXPECT_TRUE(central.status.ok());
  EXPECT_EQ(central.text, "");

  // No name at all, or a Word 97-2003 file behind a .docx path.
  const JobRun none = Recover(temp.write("none.docx", damaged.bytes()));
  EXPECT_TRUE(none.status.ok());
  EXPECT_EQ(none.text, "");
  EXPECT_EQ(none.host.progressValues, (std::vector<int32_t>{0, 25, 50, 100}));
  EXPECT_EQ(Recover(temp.write("empty.docx", "")).text, "");
  EXPECT_TRUE(WorkingFiles(temp.path()).empty());
}

TEST(DocxRecovery, UnreadableSourceIsAnError) {
  test::TempDir temp;
  const JobRun missing = Recover(temp.path() + "/missing.docx");
  EXPECT_FALSE(missing.status.ok());
  EXPECT_NE(missing.status.message().find("Cannot read"), std::string::npos);
  EXPECT_FALSE(Recover(temp.path()).status.ok());  // a folder
  EXPECT_EQ(missing.text, "");
}

}  // namespace
}  // namespace kw
