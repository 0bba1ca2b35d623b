// SPDX-License-Identifier: Apache-2.0
// The vectorised loops against their scalar paths (and a plain oracle): the
// same result on every path for random inputs of every short length at every
// alignment, with the bytes each loop treats apart drawn often.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "base/pattern_scan.h"
#include "base/simd_dispatch.h"
#include "formats/doc/text_engines/quick_recovery.h"
#include "formats/doc/text_engines/quick_text.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

constexpr SimdPath kPaths[] = {SimdPath::kScalar, SimdPath::kSse2, SimdPath::kAvx2};

// Random bytes, half of them from `favoured`.
std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n, const std::vector<uint8_t>& favoured) {
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = (rng() & 1) ? favoured[rng() % favoured.size()] : static_cast<uint8_t>(rng());
  return bytes;
}

// Quick Recovery's translation, one byte at a time from the code page.
std::string QuickOracle(const uint8_t* data, size_t size, size_t* used) {
  std::string out;
  size_t i = 0;
  for (; i < size && data[i] != 0x25; ++i) {
    if (data[i] == 0x0B || data[i] == 0x0D) {
      out += "\r\n";
    } else if (data[i] != 0) {
      const Utf8Char& c = Cp1252Char(data[i]);
      out.append(c.bytes, c.length);
    }
  }
  *used = i;
  return out;
}

TEST(SimdPathsTest, QuickTranslateRunMatchesTheCodePageOnEveryPathLengthAndAlignment) {
  std::mt19937 rng(7);
  const std::vector<uint8_t> favoured = {0x00, 0x0B, 0x0D, 0x25, 'a',  ' ',  0x80,
                                         0x83, 0x8D, 0x99, 0x9F, 0xA0, 0xC0, 0xFF};
  constexpr uint8_t kGuard = 0xEE;
  for (size_t length = 0; length <= 140; length += length < 70 ? 1 : 7) {
    for (size_t align = 0; align < 32; ++align) {
      std::vector<uint8_t> buffer(align + length + 32, 'q');
      std::vector<uint8_t> bytes = RandomBytes(rng, length, favoured);
      if (align % 2 == 1) std::replace(bytes.begin(), bytes.end(), uint8_t{0x25}, uint8_t{0x24});  // whole blocks
      std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<long>(align));
      if (length > 0 && align % 4 == 0) buffer[align + length - 1] = 0x25;  // the escape at the last byte
      if (align % 8 == 1) std::fill(buffer.begin() + static_cast<long>(align), buffer.end() - 32, 'z');  // all plain
      const uint8_t* data = buffer.data() + align;
      size_t used = 0;
      const std::string expected = QuickOracle(data, length, &used);
      for (const SimdPath path : kPaths) {
        std::vector<char> out(QuickTextRoom(length) + 8, static_cast<char>(kGuard));
        char* o = out.data();
        ASSERT_EQ(QuickTranslateRunOn(path, data, length, &o), used) << SimdPathName(path) << " " << length;
        ASSERT_EQ(std::string(out.data(), o), expected) << SimdPathName(path) << " " << length << " " << align;
        for (size_t k = QuickTextRoom(length); k < out.size(); ++k) ASSERT_EQ(static_cast<uint8_t>(out[k]), kGuard);
      }
      for (const QuickKernel kernel : {QuickKernel::kAvx2, QuickKernel::kAvx512, QuickKernel::kSsse3}) {
        if (!QuickKernelAvailable(kernel)) continue;
        std::vector<char> out(QuickTextRoom(length) + 8, static_cast<char>(kGuard));
        char* o = out.data();
        ASSERT_EQ(QuickTranslateRunWith(kernel, data, length, &o), used) << static_cast<int>(kernel) << " " << length;
        ASSERT_EQ(std::string(out.data(), o), expected) << static_cast<int>(kernel) << " " << length << " " << align;
        for (size_t k = QuickTextRoom(length); k < out.size(); ++k) ASSERT_EQ(static_cast<uint8_t>(out[k]), kGuard);
      }
    }
  }
}

TEST(SimdPathsTest, FindPatternAgreesWithFindOnEveryPathLengthAndAlignment) {
  std::mt19937 rng(11);
  const std::vector<uint8_t> favoured = {0xFF, 0xD8, 0xD9, 0x89, 0x50, 0x4E};
  const std::vector<std::string> patterns = {"\xFF", "\xFF\xD8", "\xFF\xD8\xFF", "\x89PN", "\xFF\xD9\xFF\xD9"};
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 70; ++n) lengths.push_back(n);
  for (const size_t n : {127, 128, 129, 130, 200, 300}) lengths.push_back(n);
  for (const size_t length : lengths) {
    for (size_t align = 0; align < 32; ++align) {
      std::vector<uint8_t> buffer(align + length);
      const std::vector<uint8_t> bytes = RandomBytes(rng, length, favoured);
      std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<long>(align));
      const uint8_t* data = buffer.data() + align;
      for (const std::string& pattern : patterns) {
        // Half the time, the only match ends at the last byte.
        if (align % 2 == 0 && length >= pattern.size()) {
          for (size_t i = 0; i < length; ++i) buffer[align + i] = 'x';
          std::copy(pattern.begin(), pattern.end(),
                    buffer.begin() + static_cast<long>(align + length - pattern.size()));
        }
        const std::string_view haystack(reinterpret_cast<const char*>(data), length);
        const size_t found = haystack.find(pattern);
        const size_t expected = found == std::string_view::npos ? length : found;
        for (const SimdPath path : kPaths) {
          ASSERT_EQ(FindPatternOn(path, data, length, pattern), expected)
              << SimdPathName(path) << " " << length << " " << align << " " << pattern.size();
        }
      }
    }
  }
}

TEST(SimdPathsTest, ForcingAPathIsCappedAtTheBestAndClearedAgain) {
  ForceSimdPath(SimdPath::kScalar);
  EXPECT_EQ(ActiveSimdPath(), SimdPath::kScalar);
  ForceSimdPath(SimdPath::kAvx2);
  EXPECT_EQ(ActiveSimdPath(), BestSimdPath());
  ClearForcedSimdPath();
  EXPECT_EQ(ActiveSimdPath(), BestSimdPath());
}

// The whole engine: escapes and end markers across the 256 KiB chunk
// boundaries give the same text, position and last step on every path.
TEST(SimdPathsTest, QuickRecoveryGivesTheSameResultOnEveryPath) {
  std::mt19937 rng(3);
  const std::vector<uint8_t> favoured = {0x00, 0x0D, 0x25, 'e', ' ', 0x92, 0xE9};
  test::TempDir dir;
  for (const size_t size : {size_t{2560 + 100}, size_t{(1 << 18) + 2561}, size_t{(1 << 19) + 2560}}) {
    std::vector<uint8_t> bytes = RandomBytes(rng, size, favoured);
    std::replace(bytes.begin(), bytes.end(), uint8_t{0xB0}, uint8_t{0xB1});  // no end marker but the one below
    bytes[std::min(size, size_t{2560 + (1 << 18)}) - 1] = 0x25;              // an escape at a chunk's last byte
    if (size > 300000) bytes[size - 7] = 0x25, bytes[size - 6] = 0xB0;
    const std::string path = dir.write("r.doc", std::string(bytes.begin(), bytes.end()));
    std::vector<RecoveryJobState> results;
    for (const SimdPath simd : kPaths) {
      ForceSimdPath(simd);
      test::FakeHost host;
      host.path = path;
      results.emplace_back();
      ASSERT_TRUE(QuickRecovery(results.back(), host).ok());
    }
    ClearForcedSimdPath();
    for (const RecoveryJobState& r : results) {
      EXPECT_TRUE(r.sRecoveredText == results[0].sRecoveredText) << size;  // no diff of megabytes
      EXPECT_EQ(r.lCurPos, results[0].lCurPos) << size;
      EXPECT_EQ(r.sCurChar, results[0].sCurChar) << size;
    }
  }
}

}  // namespace
}  // namespace kw
