// SPDX-License-Identifier: Apache-2.0
#include "formats/images/picture_header.h"

#include <gtest/gtest.h>

#include "tests/images/picture_bytes.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::B;

struct Info {
  int32_t type, width, height, depth;
  bool operator==(const Info&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Info& i) {
  return os << "{type " << i.type << ", " << i.width << " x " << i.height << ", depth " << i.depth << "}";
}

Info Read(const std::string& bytes) {
  test::TempDir dir;
  PictureHeader info;
  info.fileName = dir.write("picture.tmp", bytes);
  info.read();
  return {info.type, info.width, info.height, info.depth};
}

std::string Be32(uint32_t v) { return B({int(v >> 24), int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255)}); }
std::string Le16(int v) { return B({v & 255, v >> 8 & 255}); }
std::string Le32(int64_t v) { return Le16(int(v & 0xFFFF)) + Le16(int(v >> 16 & 0xFFFF)); }

std::string PngHeader(uint32_t width, uint32_t height, int bitDepth, int colourType) {
  return B({0x89, 'P', 'N', 'G', 13, 10, 26, 10}) + Be32(13) + "IHDR" + Be32(width) + Be32(height) +
         B({bitDepth, colourType, 0, 0, 0}) + std::string(40, '\0');
}

std::string Gif(int width, int height, int packed) {
  return "GIF89a" + Le16(width) + Le16(height) + B({packed, 0, 0}) + std::string(20, '\0');
}

std::string Bmp(int64_t width, int64_t height, int bits) {
  return "BM" + Le32(70) + Le32(0) + Le32(54) + Le32(40) + Le32(width) + Le32(height) + Le16(1) + Le16(bits) +
         std::string(30, '\0');
}

std::string Segment(int marker, const std::string& payload) {
  const int length = static_cast<int>(payload.size()) + 2;
  return B({0xFF, marker, length >> 8, length & 255}) + payload;
}

// A start-of-frame segment: precision 8, height, width, components.
std::string Sof(int marker, int height, int width, int components) {
  return Segment(marker, B({8, height >> 8, height & 255, width >> 8, width & 255, components}) +
                             std::string(static_cast<size_t>(components) * 3, '\1'));
}

std::string Jpeg(const std::string& segments) { return B({0xFF, 0xD8}) + segments + B({0xFF, 0xD9}); }

TEST(PictureHeader, Png) {
  EXPECT_EQ(Read(PngHeader(640, 480, 8, 2)), (Info{3, 640, 480, 24}));
  EXPECT_EQ(Read(PngHeader(16, 16, 4, 3)), (Info{3, 16, 16, 8}));  // palette: 8 whatever the bit depth
  EXPECT_EQ(Read(PngHeader(16, 16, 8, 6)), (Info{3, 16, 16, 32}));
  EXPECT_EQ(Read(PngHeader(16, 16, 16, 2)), (Info{3, 16, 16, 48}));
  EXPECT_EQ(Read(PngHeader(16, 16, 16, 0)), (Info{3, 16, 16, 16}));
  EXPECT_EQ(Read(PngHeader(16, 16, 8, 4)), (Info{3, 16, 16, 16}));
  // Wider than 65535: only the low 16 bits count.
  EXPECT_EQ(Read(PngHeader(70000, 20, 8, 0)), (Info{3, 70000 - 65536, 20, 8}));
  // A value above 32767 ends the reading there.
  EXPECT_EQ(Read(PngHeader(40000, 20, 8, 0)), (Info{3, 0, 0, 8}));
  EXPECT_EQ(Read(PngHeader(20, 40000, 8, 0)), (Info{3, 20, 0, 8}));
}

TEST(PictureHeader, PngWithAnotherColourTypeFallsToTheJpegSearch) {
  EXPECT_EQ(Read(PngHeader(16, 16, 8, 5)), (Info{0, 0, 0, 0}));
  // ...which finds a JPEG inside it.
  EXPECT_EQ(Read(PngHeader(16, 16, 8, 7) + Jpeg(Sof(0xC0, 30, 40, 3))), (Info{2, 40, 30, 24}));
}

TEST(PictureHeader, GifAndBmp) {
  // Depth from the colour table size bits even with the table flag clear.
  EXPECT_EQ(Read(Gif(320, 200, 0x07)), (Info{1, 320, 200, 8}));
  EXPECT_EQ(Read(Gif(1, 2, 0xF2)), (Info{1, 1, 2, 3}));
  EXPECT_EQ(Read(Gif(40000, 2, 0)), (Info{1, 0, 0, 0}));
  EXPECT_EQ(Read(Bmp(12, 7, 24)), (Info{4, 12, 7, 24}));
  EXPECT_EQ(Read(Bmp(12, 7, 32)), (Info{4, 12, 7, 32}));
  // Top-down (negative height): stops at the height.
  EXPECT_EQ(Read(Bmp(12, -7, 24)), (Info{4, 12, 0, 0}));
  // Shorter than its header: zeros past the end.
  EXPECT_EQ(Read("BM"), (Info{4, 0, 0, 0}));
}

TEST(PictureHeader, JpegMarkerWalk) {
  const std::string app0 = Segment(0xE0, "JFIF" + std::string(10, '\0'));
  EXPECT_EQ(Read(Jpeg(app0 + Sof(0xC0, 480, 640, 3))), (Info{2, 640, 480, 24}));
  EXPECT_EQ(Read(Jpeg(app0 + Sof(0xC2, 10, 20, 1))), (Info{2, 20, 10, 8}));  // progressive
  // A Huffman table segment (C4) is skipped, not taken for a frame header.
  EXPECT_EQ(Read(Jpeg(Segment(0xC4, B({0, 1, 2, 3, 4, 5, 6, 7, 8})) + Sof(0xC1, 5, 6, 3))), (Info{2, 6, 5, 24}));
  // The start of image need not be at the file's start.
  EXPECT_EQ(Read(std::string(100, 'x') + Jpeg(Sof(0xCF, 7, 9, 4))), (Info{2, 9, 7, 32}));
  // A frame height above 32767: the type is set, nothing else.
  EXPECT_EQ(Read(Jpeg(Sof(0xC0, 40000, 9, 3))), (Info{2, 0, 0, 0}));
}

TEST(PictureHeader, JpegLimits) {
  // The frame header behind 65,525 bytes of metadata is not reached.
  const std::string app1 = Segment(0xE1, std::string(30000, 'm'));
  EXPECT_EQ(Read(Jpeg(app1 + app1 + app1 + Sof(0xC0, 10, 10, 3))), (Info{0, 0, 0, 0}));
  EXPECT_EQ(Read(Jpeg(app1 + app1 + Sof(0xC0, 10, 10, 3))), (Info{2, 10, 10, 24}));
  // A segment length above 32767 ends the walk.
  EXPECT_EQ(Read(Jpeg(B({0xFF, 0xE1, 0x80, 0x00}) + Sof(0xC0, 10, 10, 3))), (Info{0, 0, 0, 0}));
  // A zero length, or markers packed in FF fill bytes, still move on.
  EXPECT_EQ(Read(Jpeg(B({0xFF, 0xE1, 0, 0, 0xFF, 0xFF, 0xFF}) + Sof(0xC0, 3, 4, 1))), (Info{2, 4, 3, 8}));
  // No start of image in the first 64 KiB.
  EXPECT_EQ(Read(std::string(65530, 'x') + Jpeg(Sof(0xC0, 3, 4, 1))), (Info{0, 0, 0, 0}));
}

TEST(PictureHeader, UnknownOrUnreadableFilesChangeNothing) {
  EXPECT_EQ(Read("plain text, not a picture"), (Info{0, 0, 0, 0}));
  EXPECT_EQ(Read(""), (Info{0, 0, 0, 0}));
  test::TempDir dir;
  for (const std::string& path : {dir.path() + "/missing", dir.path(), std::string("/dev/zero")}) {
    PictureHeader info;
    info.fileName = path;
    info.width = 7;
    info.type = 2;
    info.read();
    EXPECT_EQ(info.width, 7);
    EXPECT_EQ(info.type, 2);
  }
}

}  // namespace
}  // namespace kw
