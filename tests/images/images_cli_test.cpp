// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/images/picture_bytes.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::B;

test::ProcessResult Kwrecover(const std::vector<std::string>& args) { return test::RunProcess(KWRECOVER_PATH, args); }

// Two JPEG pictures, one PNG picture, and a PNG end marker before them all
// (so the PNG entry ends before it begins and cannot be extracted).
const std::string kZeros(8, '\0');
const std::string kJpegA = test::Jpeg("first");
const std::string kJpegB = test::Jpeg("second");
const std::string kPng = test::Png("image");
const std::string kSource = kZeros + kJpegA + kZeros + kPng + kZeros + kJpegB + kZeros;

TEST(KwrecoverImages, PrintsTheEntriesThenTheCount) {
  test::TempDir dir;
  const auto r = Kwrecover({"images", dir.write("with pictures.doc", kSource)});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "  Image #1  >     9|19|GridJ0|jpg\n"
            "  Image #2  >     61|72|GridJ1|jpg\n"
            "  Image #3  >     28|52|Grid0|png\n"
            "Found (3) Images\n");
  EXPECT_EQ(r.err, "");
  // Any file, a ".docx" path included, is scanned as it is.
  EXPECT_EQ(Kwrecover({"images", dir.write("report.docx", "no pictures")}).out, "Found (0) Images\n");
}

TEST(KwrecoverImages, UnreadableSourceExitsOneWithOneLineNamingIt) {
  test::TempDir dir;
  for (const std::string& path : {dir.path() + "/missing.doc", dir.path(), std::string("/dev/zero")}) {
    for (const std::string command : {"images", "info"}) {
      const auto r = Kwrecover({command, path});
      EXPECT_EQ(r.exitCode, 1) << command << " " << path;
      EXPECT_EQ(r.out, "") << path;
      EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
}

TEST(KwrecoverImages, ExtractWritesEachPictureIntoTheFolder) {
  test::TempDir dir;
  const std::string source = dir.write("s.doc", kSource + test::PngEnd());
  const std::string out = dir.path() + "/new/pictures";  // made, parents too
  auto r = Kwrecover({"images", source, "--extract", out});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(test::ReadFile(out + "/GridJ0.jpg"), kJpegA);
  EXPECT_EQ(test::ReadFile(out + "/GridJ1.jpg"), kJpegB);
  EXPECT_EQ(test::ReadFile(out + "/Grid0.png"), kPng);
  EXPECT_EQ(r.err, "");

  // Again: nothing is overwritten, each refusal is reported, and so is the
  // count of pictures that were not written.
  const std::string marked = out + "/GridJ0.jpg";
  dir.write("new/pictures/GridJ0.jpg", "mine");
  r = Kwrecover({"images", source, "--extract", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;
  EXPECT_NE(r.err.find("wrote 0 of 3 pictures"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--force"), std::string::npos);
  EXPECT_EQ(test::ReadFile(marked), "mine");
  r = Kwrecover({"images", source, "--extract", out, "--force"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(test::ReadFile(marked), kJpegA);
}

TEST(KwrecoverImages, ExtractReportsAnEntryThatEndsBeforeItBegins) {
  test::TempDir dir;
  const std::string source = dir.write("s.doc", test::PngEnd() + "xxxx" + kPng);
  const auto r = Kwrecover({"images", source, "--extract", dir.path() + "/out"});
  EXPECT_EQ(r.exitCode, 1);  // a listed picture was not written
  EXPECT_EQ(r.out, "  Image #1  >     17|12|Grid0|png\nFound (1) Images\n");
  EXPECT_NE(r.err.find("Grid0.png"), std::string::npos);
  EXPECT_NE(r.err.find("before it begins"), std::string::npos);
  EXPECT_NE(::access((dir.path() + "/out/Grid0.png").c_str(), F_OK), 0);
}

TEST(KwrecoverImages, ExtractIntoAFileExitsOne) {
  test::TempDir dir;
  const std::string source = dir.write("s.doc", kSource);
  const auto r = Kwrecover({"images", source, "--extract", dir.write("plain", "x")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Cannot write into"), std::string::npos);
}

TEST(KwrecoverInfo, PrintsTheFieldsOfTheHeaderReader) {
  test::TempDir dir;
  const std::string png =
      B({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 1, 44, 0, 0, 0, 200, 8, 6});
  auto r = Kwrecover({"info", dir.write("a.png", png)});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "TypeOfImage=3 Width=300 Height=200 Depth=32\n");
  r = Kwrecover({"info", dir.write("notes.txt", "not a picture")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "TypeOfImage=0 Width=0 Height=0 Depth=0\n");
}

}  // namespace
}  // namespace kw
