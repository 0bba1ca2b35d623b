// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/docx/docx_fixtures.h"
#include "tests/docx/zip_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

const test::DocxFixture& LibreOffice() { return test::DocxFixtures().front(); }

// Runs the CLI with its working files kept in a folder of their own.
test::ProcessResult Kwrecover(const std::string& command, const std::string& path) {
  test::TempDir temp;
  const std::string tmpdir = "TMPDIR=" + temp.path();
  return test::RunProcess("/usr/bin/env", {tmpdir, KWRECOVER_PATH, command, path});
}

TEST(DocxCli, QuickAndSalvagePrintTheDocumentText) {
  for (const char* command : {"quick", "salvage"}) {
    const auto result = Kwrecover(command, test::FixturePath(LibreOffice().file));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, LibreOffice().text) << command;
  }
}

TEST(DocxCli, DotDocxAnywhereInThePathCounts) {
  test::TempDir temp;
  const std::string package = test::ReadFile(test::FixturePath(LibreOffice().file));
  std::filesystem::create_directory(temp.path() + "/old.docx");
  const std::string inFolder = temp.write("old.docx/notes", package);
  EXPECT_EQ(Kwrecover("quick", inFolder).out, LibreOffice().text);
  EXPECT_EQ(Kwrecover("quick", temp.write("a.docx.doc", package)).out, LibreOffice().text);
}

TEST(DocxCli, UpperCaseExtensionIsAWord97File) {
  test::TempDir temp;
  // A Word 97-2003 file's text at 0xA00: Quick Recovery reads it.
  const std::string doc = std::string(2560, '\0') + "Old format\rtext\x25\xB0";
  const auto result = Kwrecover("quick", temp.write("REPORT.DOCX", doc));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "\r\nOld format\r\ntext");
  // A real package so named is not read as one.
  const std::string package = test::ReadFile(test::FixturePath(LibreOffice().file));
  EXPECT_EQ(Kwrecover("quick", temp.write("PACKAGE.DOCX", package)).out.find("Recovery fixture"), std::string::npos);
}

TEST(DocxCli, MissingPackageIsReported) {
  const auto result = Kwrecover("quick", "/nonexistent/x.docx");
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.err.find("Cannot read"), std::string::npos);
}

// Deep Recovery reads the package by its content, whatever its name, and
// writes the pictures it inflates; a name that is taken stays untouched.
TEST(DocxCli, DeepReadsThePackageAndWritesItsPictures) {
  test::TempDir temp;
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, 'p');
  const test::LocalEntry main = test::MakeEntry(test::DocumentXml({"Deep text"}));
  const test::LocalEntry picture = test::MakeEntry(png, 8, "word/media/image1.png");
  const std::string path = temp.write("renamed.bin", main.bytes() + picture.bytes());
  const std::string folder = temp.path() + "/pictures";
  auto result = test::RunProcess(KWRECOVER_PATH, {"deep", path, "--pictures", folder, "--report", folder + ".json"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Deep text\r\n");
  EXPECT_EQ(test::ReadFile(folder + "/image1.png"), png);
  EXPECT_NE(test::ReadFile(folder + ".json").find("\"mode\": \"deep\""), std::string::npos);
  result = test::RunProcess(KWRECOVER_PATH, {"deep", path, "--pictures", folder});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Use --force"), std::string::npos) << result.err;
  EXPECT_EQ(test::RunProcess(KWRECOVER_PATH, {"deep", path, "--pictures", folder, "--force"}).exitCode, 0);
  EXPECT_EQ(test::RunProcess(KWRECOVER_PATH, {"quick", path, "--pictures", folder}).exitCode, 2);
}

}  // namespace
}  // namespace kw
