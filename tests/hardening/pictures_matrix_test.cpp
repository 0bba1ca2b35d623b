// SPDX-License-Identifier: Apache-2.0
// Image Recovery on files built to strain it: more pictures than the list
// holds, markers without partners or cut off by the end of the file, and a
// file that changes under the job or between listing and extraction.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "formats/doc/text_engines/salvage_recovery.h"
#include "formats/images/image_extraction.h"
#include "formats/images/image_recovery.h"
#include "formats/images/image_table.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::B;

class PicturesMatrixTest : public ::testing::Test {
 protected:
  std::vector<std::string> List(const std::string& bytes) {
    host.reset();
    host.path = dir.write("pictures.doc", bytes);
    job.iImageCount = 0;
    status = ImageRecovery(job, host);
    return host.rows();
  }

  test::TempDir dir;
  test::FakeHost host;
  RecoveryJobState job;
  Status status;
};

TEST_F(PicturesMatrixTest, FortyThousandTinyJpegsFillTheListAndTheRestAreCounted) {
  const std::string jpeg = B({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9}) + std::string(10, '\0');
  std::string bytes;
  for (int i = 0; i < 40000; ++i) bytes += jpeg;
  const auto entries = List(bytes);
  ASSERT_TRUE(status.ok());
  ASSERT_EQ(entries.size(), 32767u);
  EXPECT_EQ(job.iImageCount, 32767);
  const int64_t last = 32766 * 16;
  EXPECT_EQ(entries.back(),
            "  Image #32767  >     " + std::to_string(last + 1) + "|" + std::to_string(last + 6) + "|GridJ32766|jpg");
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0], TooManyPicturesNotice(40000 - 32767));
}

TEST_F(PicturesMatrixTest, UnpairedMarkersListOnlyWhatHasBothEnds) {
  // Thousands of start markers and no end: nothing.
  std::string starts;
  for (int i = 0; i < 5000; ++i) starts += B({0xFF, 0xD8, 0xFF, 0x00}) + "\x89PN";
  EXPECT_TRUE(List(starts).empty());
  EXPECT_TRUE(status.ok());

  // Thousands of end markers, then one picture of each kind: the JPEG is
  // itself; the PNG start pairs with the first PNG end, which came before.
  std::string ends;
  for (int i = 0; i < 5000; ++i) ends += B({0xFF, 0xD9}) + test::PngEnd();
  const size_t jpegAt = ends.size() + 1;
  const std::string bytes = ends + test::Jpeg() + "\x89PNG";
  EXPECT_EQ(List(bytes),
            (std::vector<std::string>{
                "  Image #1  >     " + std::to_string(jpegAt) + "|" + std::to_string(jpegAt + 25) + "|GridJ0|jpg",
                "  Image #2  >     " + std::to_string(jpegAt + 26) + "|14|Grid0|png",
            }));
}

TEST_F(PicturesMatrixTest, MarkersInTheLastBytesOfTheFile) {
  const std::string filler(50, 'x');
  // The smallest whole JPEG ending 0 to 2 bytes before the end.
  for (const std::string tail : {"", "z", "zz"}) {
    EXPECT_EQ(List(filler + B({0xFF, 0xD8, 0xFF, 0xFF, 0xD9}) + tail),
              std::vector<std::string>{"  Image #1  >     51|55|GridJ0|jpg"})
        << tail.size();
  }
  // Markers cut off by the end of the file: nothing, whatever came before.
  for (const std::string& cut :
       {B({0xFF}), B({0xFF, 0xD8}), B({0xFF, 0xD8, 0xFF}), B({0xFF, 0xD8, 0xFF, 0xFF}), std::string("\x89"),
        std::string("\x89P"), std::string("\x89PN"), std::string("\x89PNG") + "IEND" + B({0xAE, 0x42, 0x60})}) {
    EXPECT_TRUE(List(filler + cut).empty()) << cut.size();
    EXPECT_TRUE(status.ok());
  }
  // A PNG whose end marker closes the file exactly.
  EXPECT_EQ(List(filler + "\x89PN" + "IEND" + B({0xAE, 0x42, 0x60, 0x82})),
            std::vector<std::string>{"  Image #1  >     51|61|Grid0|png"});
}

TEST_F(PicturesMatrixTest, ExtractionReadsOnlyTheFileThatWasScanned) {
  const std::string first = "doc" + test::Jpeg() + "tail";  // the picture is bytes 4..29
  const auto entries = List(first);
  ASSERT_EQ(entries.size(), 1u);
  const PictureRecord entry = host.pictures[0];
  test::ScopedTmpDir tmp(dir.path());
  const auto extract = [&](std::string* bytes) {
    std::string saved;
    const Status s = SaveImages(host.path, job.sourceIdentity, entry, &saved, &host);
    *bytes = s.ok() ? test::ReadFile(saved) : std::string();
    return s;
  };
  std::string bytes;
  {
    std::ofstream(host.path, std::ios::binary | std::ios::trunc) << "0123456789";  // cut in place
  }
  ASSERT_TRUE(extract(&bytes).ok());
  EXPECT_EQ(bytes, "3456789");  // up to the end
  {
    std::ofstream(host.path, std::ios::binary | std::ios::trunc) << "ab";  // before the picture's start
  }
  const Status past = extract(&bytes);
  EXPECT_NE(past.message().find("has changed since it was scanned"), std::string::npos) << past.message();

  // Replaced, as an editor saves (a new file renamed over it): the pictures
  // listed are not in it, so nothing is copied, and the CLI says the same.
  const std::string fresh = dir.write("fresh.doc", std::string(100, 'n'));
  ASSERT_EQ(std::rename(fresh.c_str(), host.path.c_str()), 0);
  const Status replaced = extract(&bytes);
  EXPECT_FALSE(replaced.ok());
  EXPECT_NE(replaced.message().find("no longer the file that was scanned"), std::string::npos) << replaced.message();
  EXPECT_FALSE(ExtractImage(host.path, job.sourceIdentity, entry, dir.path() + "/p.jpg", false).ok());
  EXPECT_EQ(test::ReadFile(host.path), std::string(100, 'n'));

  ASSERT_EQ(std::remove(host.path.c_str()), 0);  // gone
  const Status gone = extract(&bytes);
  EXPECT_TRUE(gone.isIOError());
  EXPECT_NE(gone.message().find(host.path), std::string::npos);
}

TEST_F(PicturesMatrixTest, JobsSurviveAFileThatChangesBetweenTheirPasses) {
  // The bar's maximum is set as each pass begins: the file is cut to one
  // byte there, or grows by more pictures.
  const std::string pictures = test::Jpeg() + test::Png() + test::Jpeg();
  for (const bool grow : {false, true}) {
    host.reset();
    host.path = dir.write("changing.doc", pictures + std::string(30000, ' ') + "text\r" + pictures);
    host.onSetMax = [&] {
      if (grow) {
        std::ofstream(host.path, std::ios::app) << pictures;
      } else {
        std::ofstream(host.path, std::ios::trunc) << "x";
      }
    };
    job.iImageCount = 0;
    ASSERT_TRUE(ImageRecovery(job, host).ok()) << grow;
    const int64_t size = static_cast<int64_t>(test::ReadFile(host.path).size());
    for (const PictureRecord& picture : host.pictures) {
      EXPECT_LE(picture.firstByte, size) << picture.name;
      EXPECT_LE(picture.lastByte, size) << picture.name;
    }
    if (!grow) {
      EXPECT_TRUE(host.rows().empty());
    }
    EXPECT_TRUE(SalvageRecovery(job, host).ok()) << grow;
    EXPECT_EQ(job.sRecoveredText.compare(0, 2, "\r\n"), 0);
  }
}

}  // namespace
}  // namespace kw
