// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <random>

#include "base/byte_search.h"
#include "cli/picture_rows.h"
#include "formats/images/image_recovery.h"
#include "formats/images/image_table.h"
#include "formats/images/jpeg_carver.h"
#include "formats/images/jpeg_end_check.h"
#include "formats/images/png_carver.h"
#include "jobs/job.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::B;
using test::Jpeg;
using test::Png;

// `bytes` with `piece` written over it at the 1-based position `pos`.
std::string Put(std::string bytes, size_t pos, const std::string& piece) {
  bytes.replace(pos - 1, piece.size(), piece);
  return bytes;
}

class CarverTest : public ::testing::Test {
 protected:
  // Runs a carver on `bytes`; returns the entries it listed.
  std::vector<std::string> Run(Status (*carver)(RecoveryJobState&, JobContext&, int64_t*), const std::string& bytes) {
    host.path = dir.write("source.doc", bytes);
    host.pictures.clear();
    host.progressValues.clear();
    job.iImageCount = 0;
    status = carver(job, host, nullptr);
    return host.rows();
  }
  test::TempDir dir;
  test::FakeHost host;
  RecoveryJobState job;
  Status status;
};

TEST_F(CarverTest, JpegWorkedExample) {
  // Start marker at 1001, its D9 at 3000, in 5000 bytes.
  std::string bytes(5000, '\0');
  bytes = Put(bytes, 1001, B({0xFF, 0xD8, 0xFF}));
  bytes = Put(bytes, 2999, B({0xFF, 0xD9}));
  EXPECT_EQ(Run(CarveJpegs, bytes), std::vector<std::string>{"  Image #1  >     1001|3000|GridJ0|jpg"});
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(host.progressMax, 5000);
  // Pass 1 shows where its end search read its last block; then full.
  EXPECT_EQ(host.progressValues, (std::vector<int32_t>{1002, 5000}));
  EXPECT_EQ(job.iStartPos, 1);
  EXPECT_EQ(job.lCurPos, 1);
}

TEST_F(CarverTest, JpegFirstPassProgressIsTheEndSearchsLastBlockStart) {
  std::string bytes(50000, '\0');
  bytes = Put(bytes, 1, B({0xFF, 0xD8, 0xFF}));
  bytes = Put(bytes, 44999, B({0xFF, 0xD9}));
  EXPECT_EQ(Run(CarveJpegs, bytes), std::vector<std::string>{"  Image #1  >     1|45000|GridJ0|jpg"});
  EXPECT_EQ(host.progressValues, (std::vector<int32_t>{2 + 2 * 19998, 50000}));
}

TEST_F(CarverTest, JpegNextStartSearchBeginsThreeBytesAfterThePicture) {
  const std::string zeros(12, '\0');
  const std::string first = Jpeg(zeros);  // 18 bytes; its D9 is followed by zeros: accepted
  const std::string second = B({0xFF, 0xD8, 0xFF}) + zeros + B({0xFF, 0xD9}) + zeros;
  // A start marker 1 or 2 bytes after the first picture is not found.
  EXPECT_EQ(Run(CarveJpegs, first + second), std::vector<std::string>{"  Image #1  >     1|18|GridJ0|jpg"});
  EXPECT_EQ(Run(CarveJpegs, first + "\0" + second).size(), 1u);
  // Further on it is.
  EXPECT_EQ(Run(CarveJpegs, first + std::string(7, '\0') + second),
            (std::vector<std::string>{"  Image #1  >     1|18|GridJ0|jpg", "  Image #2  >     26|42|GridJ1|jpg"}));
  EXPECT_EQ(host.progressValues, (std::vector<int32_t>{2, 27, 54}));
}

TEST(JpegEndCheck, AcceptsWhatFollowsAPictureInWordsFiles) {
  const auto accepts = [](std::initializer_list<int> bytes) {
    const std::string s = B(bytes);
    return JpegEndCheckAccepts(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  EXPECT_TRUE(accepts({0x44, 0x00, 0x64}));
  EXPECT_TRUE(accepts({0x00, 0x00, 0x00}));
  EXPECT_TRUE(accepts({0x14, 0x00, 0x99}));
  EXPECT_TRUE(accepts({0x0A, 0x00, 0x00}));
  EXPECT_TRUE(accepts({0x44, 0x00}));  // the end of the file
  EXPECT_TRUE(accepts({}));
  EXPECT_FALSE(accepts({0x44, 0x00, 0x65}));
  EXPECT_FALSE(accepts({0x00, 0x00, 0x01}));
  EXPECT_FALSE(accepts({0x14, 0x01, 0x00}));
  EXPECT_FALSE(accepts({0xFF, 0xDB, 0x00}));  // a segment after a thumbnail
}

TEST_F(CarverTest, JpegEndCheckDecidesBetweenTheInnerAndTheNextEndMarker) {
  // An outer picture holding a thumbnail (its own FF D8 FF .. FF D9).
  const std::string thumbnail = B({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4, 0xFF, 0xD9});
  const auto outer = [&](const std::string& afterThumb) {
    return B({0xFF, 0xD8, 0xFF, 0xE1, 9}) + thumbnail + afterThumb + B({0xFF, 0xD9}) + std::string(8, '\0');
  };
  // Followed by a segment: rejected, the next end marker ends the picture.
  std::string bytes = outer(B({0xFF, 0xDB, 0x00, 0x43, 0x00, 7, 7, 7}));
  EXPECT_EQ(Run(CarveJpegs, bytes),
            std::vector<std::string>{"  Image #1  >     1|" + std::to_string(bytes.size() - 8) + "|GridJ0|jpg"});
  // Followed by what the check accepts: the picture ends at the inner marker.
  bytes = outer(B({1, 2, 3, 4, 0x44, 0x00, 0x64, 7}));
  EXPECT_EQ(Run(CarveJpegs, bytes), std::vector<std::string>{"  Image #1  >     1|15|GridJ0|jpg"});
}

TEST_F(CarverTest, JpegRejectedEndWithoutAFurtherOneStillRecordsThePicture) {
  const std::string bytes = Jpeg("body") + B({1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(Run(CarveJpegs, bytes), std::vector<std::string>{"  Image #1  >     1|10|GridJ0|jpg"});
  EXPECT_EQ(host.progressValue, static_cast<int32_t>(bytes.size()));
}

TEST_F(CarverTest, JpegEndingInTheLastBytesOfTheFileIsListedWhole) {
  // A JPEG file on its own: nothing follows its end marker.
  const std::string bytes = Jpeg(std::string(100, 'j'));
  EXPECT_EQ(Run(CarveJpegs, bytes), std::vector<std::string>{"  Image #1  >     1|106|GridJ0|jpg"});
  // Two bytes after it: still the end of the file.
  EXPECT_EQ(Run(CarveJpegs, bytes + "ab").size(), 1u);
}

TEST_F(CarverTest, JpegWithoutMarkersListsNothingAndFillsTheBar) {
  EXPECT_TRUE(Run(CarveJpegs, std::string(3000, 'x')).empty());
  EXPECT_EQ(host.progressValues, std::vector<int32_t>{3000});
  // A start marker without an end marker.
  EXPECT_TRUE(Run(CarveJpegs, B({0xFF, 0xD8, 0xFF}) + std::string(100, 'x')).empty());
  EXPECT_EQ(host.progressValues, std::vector<int32_t>{103});
  EXPECT_TRUE(Run(CarveJpegs, "").empty());
  EXPECT_TRUE(status.ok());
}

TEST_F(CarverTest, PngWorkedExample) {
  // Signature at 201, end marker at 893..900, in 999 bytes.
  std::string bytes(999, 'x');
  bytes = Put(bytes, 201, B({0x89, 'P', 'N', 'G'}));
  bytes = Put(bytes, 893, "IEND\xAE\x42\x60\x82");
  EXPECT_EQ(Run(CarvePngs, bytes), std::vector<std::string>{"  Image #1  >     201|900|Grid0|png"});
  EXPECT_EQ(host.progressMax, 999);
  EXPECT_EQ(host.progressValues, (std::vector<int32_t>{202, 999}));
  EXPECT_EQ(job.vPngStart, -1);  // the last start search found nothing
}

TEST_F(CarverTest, PngPairsTheKthStartWithTheKthEnd) {
  const std::string a = Png(), b = Png();
  // Two pictures one after the other.
  EXPECT_EQ(Run(CarvePngs, a + b),
            (std::vector<std::string>{"  Image #1  >     1|40|Grid0|png", "  Image #2  >     41|80|Grid1|png"}));
  // An end marker before the first start: the entry ends before it begins.
  EXPECT_EQ(Run(CarvePngs, test::PngEnd() + "xxxx" + Png()),
            std::vector<std::string>{"  Image #1  >     17|12|Grid0|png"});
  // Start bytes inside a picture's data: that start takes the next end, and
  // the last start stays unpaired.
  const std::string inner = Png("ab\x89PNcd" + std::string(13, 'p'));
  EXPECT_EQ(Run(CarvePngs, inner + b),
            (std::vector<std::string>{"  Image #1  >     1|40|Grid0|png", "  Image #2  >     11|80|Grid1|png"}));
  // A picture cut off before its end takes the next picture's end.
  EXPECT_EQ(Run(CarvePngs, a.substr(0, 30) + b), std::vector<std::string>{"  Image #1  >     1|70|Grid0|png"});
  // Starts but no end.
  EXPECT_TRUE(Run(CarvePngs, "\x89PNG" + std::string(50, 'x')).empty());
  EXPECT_EQ(host.progressValues, std::vector<int32_t>{54});
}

TEST_F(CarverTest, JobListsJpegEntriesFirstAndNumbersOnOverTheJob) {
  const std::string zeros(8, '\0');
  const std::string bytes = Png() + zeros + Jpeg() + zeros + Jpeg() + zeros;
  const std::string path = dir.write("mixed.doc", bytes);
  for (int run = 0; run < 2; ++run) {  // a second job gives the same list
    const JobResult result = RunJob({path, JobMode::kImages}, host);
    ASSERT_TRUE(result.status.ok());
    EXPECT_EQ(cli::PictureListing(result.pictures),
              "  Image #1  >     49|74|GridJ0|jpg\n  Image #2  >     83|108|GridJ1|jpg\n"
              "  Image #3  >     1|40|Grid0|png\nFound (3) Images\n");
    EXPECT_TRUE(result.notices.empty());
  }
}

TEST_F(CarverTest, JobOnAnUnreadableSourceListsNothingAndSaysWhy) {
  const JobResult result = RunJob({dir.path() + "/gone.doc", JobMode::kImages}, host);
  EXPECT_FALSE(result.status.ok());
  EXPECT_NE(result.status.message().find(dir.path() + "/gone.doc"), std::string::npos);
  EXPECT_TRUE(result.pictures.empty());
}

TEST_F(CarverTest, ListingStopsAt32767EntriesAndTellsTheUserOnce) {
  // 10 JPEG and 32760 PNG pictures, packed: 3 PNG pictures too many.
  const std::string jpeg = B({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9}) + std::string(10, '\0');
  const std::string png = "\x89PN" + B({'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
  std::string bytes;
  for (int i = 0; i < 10; ++i) bytes += jpeg;
  for (int i = 0; i < 32760; ++i) bytes += png;
  host.path = dir.write("many.doc", bytes);
  job.iImageCount = 0;
  ASSERT_TRUE(ImageRecovery(job, host).ok());
  ASSERT_EQ(host.rows().size(), 32767u);
  EXPECT_EQ(job.iImageCount, 32767);
  EXPECT_EQ(host.rows().back(), "  Image #32767  >     " + std::to_string(160 + 32756 * 11 + 1) + "|" +
                                    std::to_string(160 + 32757 * 11) + "|Grid32756|png");
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0], TooManyPicturesNotice(3));
}

// The two pass loops written out with FindInFile, a search per step, as
// references for the carvers (which share reads between searches).
struct Scan {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  std::vector<int32_t> progress;
};

Scan LiteralJpeg(const std::string& path, const std::string& bytes) {
  const std::string start = MarkerBytes({"&HFF", "&HD8", "&HFF"}), end = MarkerBytes({"&HFF", "&HD9"});
  const auto L = static_cast<int32_t>(bytes.size());
  Scan scan;
  int32_t S = -1, E = -1, C = 0;
  for (int pass = 1;; ++pass) {
    int32_t block = 0;
    if (pass == 1) {
      C = 1;
      S = FindInFile(path, start, C);
      if (S == -1) break;
      C = S;
      E = FindInFile(path, end, C);
      block = C;
    } else {
      C = E + 3;
      S = FindInFile(path, start, C);
      if (S == -1) break;
      C = S + 2;
      E = FindInFile(path, end, C);
    }
    if (E == -1) break;
    const std::string following = E + 4 < L ? bytes.substr(static_cast<size_t>(E + 4), 3) : "";
    if (!JpegEndCheckAccepts(reinterpret_cast<const uint8_t*>(following.data()), following.size())) {
      C = E + 4;
      const int32_t next = FindInFile(path, end, C);
      if (next == -1) {
        scan.pairs.emplace_back(S - 1, E);
        break;
      }
      E = next;
    }
    scan.pairs.emplace_back(S - 1, E);
    scan.progress.push_back(pass == 1 ? block : S);
    if (E >= L) return scan;
  }
  scan.progress.push_back(L);
  return scan;
}

Scan LiteralPng(const std::string& path, int32_t L) {
  const std::string start = MarkerBytes({"&H89", "&H50", "&H4E"});
  const std::string end = MarkerBytes({"&H49", "&H45", "&H4E", "&H44", "&HAE", "&H42", "&H60", "&H82"});
  Scan scan;
  int32_t S = 0, E = 0;
  for (int pass = 1;; ++pass) {
    int32_t fromS = pass == 1 ? 1 : S + 3, fromE = pass == 1 ? 1 : E + 8;
    S = FindInFile(path, start, fromS);
    E = FindInFile(path, end, fromE);
    if (S == -1 || E == -1) break;
    scan.pairs.emplace_back(S - 1, E + 6);
    scan.progress.push_back(S);
    if (E >= L) return scan;
  }
  scan.progress.push_back(L);
  return scan;
}

// Random bytes thick with marker pieces, over several read chunks.
std::string MarkerSoup(uint32_t seed, size_t size) {
  std::mt19937 random(seed);
  const std::string pieces[] = {B({0xFF, 0xD8, 0xFF}),
                                B({0xFF, 0xD9}),
                                B({0xFF, 0xD9, 0, 0, 0, 0, 0, 0, 0}),
                                B({0x44, 0x00, 0x64}),
                                B({0x14, 0x00}),
                                B({0x89, 0x50, 0x4E}),
                                test::PngEnd(),
                                "\xFF",
                                "\x89PN\x89PN",
                                "IEND\xAE\x42\x60\x82IEND\xAE\x42\x60\x82"};
  std::string bytes;
  while (bytes.size() < size) {
    if (random() % 3 != 0) {
      bytes += pieces[random() % std::size(pieces)];
    } else {
      for (uint32_t n = random() % 600; n > 0; --n) bytes += static_cast<char>(random());
    }
  }
  return bytes;
}

Scan Carved(Status (*carver)(RecoveryJobState&, JobContext&, int64_t*), const std::string& path) {
  test::FakeHost host;
  host.path = path;
  RecoveryJobState job;
  EXPECT_TRUE(carver(job, host, nullptr).ok());
  Scan scan;
  for (const PictureRecord& picture : host.pictures) {
    scan.pairs.emplace_back(static_cast<int32_t>(picture.firstByte), static_cast<int32_t>(picture.lastByte));
  }
  scan.progress = host.progressValues;
  return scan;
}

TEST(Carvers, AgreeWithTheirPassLoopsWrittenOut) {
  test::TempDir dir;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    const std::string bytes = MarkerSoup(seed, 300000 + seed * 97000);
    const std::string path = dir.write("soup.bin", bytes);
    const Scan jpeg = Carved(CarveJpegs, path), wantJpeg = LiteralJpeg(path, bytes);
    EXPECT_EQ(jpeg.pairs, wantJpeg.pairs) << seed;
    EXPECT_EQ(jpeg.progress, wantJpeg.progress) << seed;
    const Scan png = Carved(CarvePngs, path), wantPng = LiteralPng(path, static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(png.pairs, wantPng.pairs) << seed;
    EXPECT_EQ(png.progress, wantPng.progress) << seed;
    EXPECT_GT(png.pairs.size(), 100u);
    EXPECT_GT(jpeg.pairs.size(), 100u);
  }
}

}  // namespace
}  // namespace kw
