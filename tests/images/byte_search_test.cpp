// SPDX-License-Identifier: Apache-2.0
#include "base/byte_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>

#include "base/file_searcher.h"
#include "base/pattern_scan.h"
#include "base/source_file.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// The block loop exactly as written out: 20,000-byte blocks read from
// `start`, each next one starting the pattern's length before the end of the
// last. Returns the result and the start of the last block read.
std::pair<int32_t, int32_t> LiteralFind(const std::string& file, const std::string& pattern, int32_t start) {
  const auto n = static_cast<int32_t>(file.size());
  if (start < 1 || start > n) return {-1, start};
  while (start <= n) {
    const std::string block = file.substr(static_cast<size_t>(start - 1), kSearchBlock);
    const size_t d = block.find(pattern);
    if (d != std::string::npos) return {start + static_cast<int32_t>(d) + 1, start};
    if (start - 1 + static_cast<int32_t>(block.size()) >= n) break;
    start += kSearchBlock - static_cast<int32_t>(pattern.size());
  }
  return {-1, start};
}

class FindInFileTest : public ::testing::Test {
 protected:
  std::pair<int32_t, int32_t> Find(const std::string& bytes, const std::string& pattern, int32_t start) {
    const std::string path = dir.write("f.bin", bytes);
    const int32_t result = FindInFile(path, pattern, start);
    return {result, start};
  }
  test::TempDir dir;
};

TEST_F(FindInFileTest, ReturnsOneMoreThanThePositionAndTheBlockStart) {
  // "word/document" at position 31 gives 32.
  EXPECT_EQ(Find(std::string(30, 'x') + "word/document" + std::string(100, 'x'), "word/document", 1),
            std::make_pair(32, 1));
  // A match found from a later start, in the first block read.
  EXPECT_EQ(Find(std::string(500, 'x') + "ab", "ab", 40), std::make_pair(502, 40));
}

TEST_F(FindInFileTest, FindsAMatchThatStraddlesTwoBlocks) {
  // Begins 2 bytes before the end of the block 1..20000: found in the block
  // that starts 13 bytes before that end.
  std::string bytes(50000, 'x');
  bytes.replace(19998 - 1, 13, "word/document");
  EXPECT_EQ(Find(bytes, "word/document", 1), std::make_pair(19999, 1 + 20000 - 13));
}

TEST_F(FindInFileTest, FindsThePatternInTheLastBytesFromFarBefore) {
  const std::string bytes = std::string(70000, 'x') + "\xFF\xD9";
  const auto [result, start] = Find(bytes, "\xFF\xD9", 3);
  EXPECT_EQ(result, 70002);
  EXPECT_EQ(start, 3 + 3 * 19998);  // the block 59997..79996 reaches the end
}

TEST_F(FindInFileTest, NoMatchGivesMinusOneAndTheLastBlockStart) {
  EXPECT_EQ(Find(std::string(50000, 'x'), "\xFF\xD9", 1), std::make_pair(-1, 1 + 2 * 19998));
  EXPECT_EQ(Find("abc", "abcd", 1), std::make_pair(-1, 1));
}

TEST_F(FindInFileTest, StartOutsideTheFileOrUnreadableFileGivesMinusOne) {
  EXPECT_EQ(Find("abcabc", "c", 7), std::make_pair(-1, 7));  // past the end
  EXPECT_EQ(Find("abcabc", "c", 6), std::make_pair(7, 6));   // the last byte
  EXPECT_EQ(Find("abcabc", "c", 0), std::make_pair(-1, 0));
  EXPECT_EQ(Find("", "c", 1), std::make_pair(-1, 1));
  int32_t start = 1;
  EXPECT_EQ(FindInFile(dir.path() + "/missing", "a", start), -1);
  EXPECT_EQ(FindInFile(dir.path(), "a", start), -1);  // a folder
  EXPECT_EQ(FindInFile("/dev/zero", std::string(1, '\0'), start), -1);
  EXPECT_EQ(Find("abc", "", 1).first, -1);
}

TEST_F(FindInFileTest, AgreesWithTheLiteralBlockLoop) {
  // Few distinct bytes, so matches fall everywhere, block edges included.
  std::mt19937 random(7);
  const std::string alphabet = "\xFF\xD8\xD9\x00xy";
  for (int round = 0; round < 60; ++round) {
    std::string bytes(static_cast<size_t>(random() % 120000), 'x');
    for (char& c : bytes) c = random() % 50 == 0 ? alphabet[random() % alphabet.size()] : 'x';
    const std::string path = dir.write("r.bin", bytes);
    const std::string patterns[] = {"\xFF\xD9", "\xFF\xD8\xFF", std::string("x\0y", 3), "\xD9xx"};
    for (const std::string& pattern : patterns) {
      const auto from = static_cast<int32_t>(random() % (bytes.size() + 3));
      int32_t start = from;
      const int32_t result = FindInFile(path, pattern, start);
      EXPECT_EQ(std::make_pair(result, start), LiteralFind(bytes, pattern, from))
          << "round " << round << " from " << from;
    }
  }
}

TEST(FileSearcher, RepeatedSearchesOnOneWindowMatchFreshOnes) {
  // The carvers' way: many searches on one open file, moving forward and
  // back, with windows that slide and grow.
  test::TempDir dir;
  std::mt19937 random(11);
  std::string bytes(600000, 'x');
  for (char& c : bytes) c = random() % 40 == 0 ? "\xFF\xD8\xD9\x89PN"[random() % 6] : 'x';
  const std::string path = dir.write("r.bin", bytes);
  SourceFile file;
  ASSERT_TRUE(SourceFile::Open(path, &file).ok());
  FileSearcher searcher(file);
  const std::string patterns[] = {"\xFF\xD9", "\xFF\xD8\xFF", "\x89PN", "PN\xFF"};
  int64_t from = 1;
  for (int i = 0; i < 3000; ++i) {
    const std::string& pattern = patterns[random() % 4];
    if (random() % 10 == 0) from = 1 + random() % bytes.size();
    int64_t block = 0;
    const int32_t found = searcher.find(pattern, from, &block);
    const auto [want, wantBlock] = LiteralFind(bytes, pattern, static_cast<int32_t>(from));
    ASSERT_EQ(found, want) << i;
    if (found != -1) {
      EXPECT_EQ(block, wantBlock) << i;
    }
    uint8_t peek[3] = {};
    const int64_t n = searcher.bytesAt(from, peek, 3);
    ASSERT_EQ(n, std::min<int64_t>(3, static_cast<int64_t>(bytes.size()) - from + 1));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(peek), static_cast<size_t>(n)),
              bytes.substr(static_cast<size_t>(from - 1), 3));
    from = found == -1 ? 1 : found + 1;
  }
  EXPECT_FALSE(searcher.failed());
}

TEST(FindPattern, FindsThePatternAtEveryOffsetAndNothingPastTheEnd) {
  for (const std::string pattern : {"\xFF\xD9", "\x89PN", "IEND\xAE\x42\x60\x82", "Z"}) {
    for (size_t size : {1u, 2u, 17u, 64u, 65u, 130u}) {
      for (size_t at = 0; at + pattern.size() <= size; ++at) {
        std::string bytes(size, '\xFF');  // the first byte everywhere
        bytes.replace(at, pattern.size(), pattern);
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        ASSERT_EQ(FindPattern(data, size, pattern), at) << pattern.size() << " " << size;
        // Cut one byte short of its end: not there.
        ASSERT_EQ(FindPattern(data, at + pattern.size() - 1, pattern), at + pattern.size() - 1);
      }
    }
  }
}

TEST(HexToLong, WeighsEveryCharacterAsAPlace) {
  EXPECT_EQ(HexToLong("&HFF"), 255);
  EXPECT_EQ(HexToLong("&HD8"), 216);
  EXPECT_EQ(HexToLong("&H4E"), 78);
  EXPECT_EQ(HexToLong("&H82"), 130);
  EXPECT_EQ(HexToLong("FF&"), 4080);
  EXPECT_EQ(HexToLong("ff"), 255);
  EXPECT_EQ(HexToLong(""), 0);
  EXPECT_EQ(HexToLong("7FFFFFFF"), INT32_MAX);
  // Far places: zeros stay nothing, anything else saturates.
  EXPECT_EQ(HexToLong("0" + std::string(400, '&')), 0);
  EXPECT_EQ(HexToLong("1" + std::string(400, '0')), INT32_MAX);
  EXPECT_EQ(MarkerBytes({"&H89", "&H50", "&H4E"}), "\x89PN");
}

TEST(GetTempFile, MakesANewEmptyPrivateFileEachCall) {
  test::TempDir dir;
  test::ScopedTmpDir tmp(dir.path() + "/");
  const std::string a = GetTempFile("sqm");
  const std::string b = GetTempFile("sqm");
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  for (const std::string& path : {a, b}) {
    EXPECT_EQ(path.rfind(dir.path() + "/sqm", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".tmp");
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  // Only three letters of the prefix count; a separator is refused.
  EXPECT_EQ(GetTempFile("sqxyz").rfind(dir.path() + "/sqx", 0), 0u);
  EXPECT_EQ(GetTempFile("a/b"), "");
}

TEST(GetTempFile, AnUnusableTemporaryFolderGivesEmptyText) {
  test::TempDir dir;
  {
    test::ScopedTmpDir tmp(dir.path() + "/missing");
    EXPECT_EQ(GetTempFile("sqm"), "");
  }
  {
    test::ScopedTmpDir tmp(dir.write("file", "x"));  // not a folder
    EXPECT_EQ(GetTempFile("sqm"), "");
  }
  if (::geteuid() != 0) {  // root writes anywhere
    ::chmod(dir.path().c_str(), 0500);
    test::ScopedTmpDir tmp(dir.path());
    EXPECT_EQ(GetTempFile("sqm"), "");
  }
}

}  // namespace
}  // namespace kw
