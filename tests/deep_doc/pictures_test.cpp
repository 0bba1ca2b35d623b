// SPDX-License-Identifier: Apache-2.0
// Deep Recovery's .doc pictures: each kind through the document's
// structure, each corruption path, and the embedded objects.
#include <gtest/gtest.h>
#include <zlib.h>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/doc/deep_doc.h"
#include "tests/deep_doc/art_builder.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::CfbLayout;
using test::PictureDoc;

// Stand-ins for real pictures: the bytes each kind is recognised by, then filler.
const std::string kJpeg = "\xFF\xD8\xFF\xE0" + std::string(1500, 'j') + "\xFF\xD9";
const std::string kTiff = std::string("II*\0", 4) + std::string(300, 't');
const std::string kEmf = [] {
  std::string e(200, 'e');
  test::Put32(e, 0, 1);
  e.replace(40, 4, " EMF");
  return e;
}();
// A Windows metafile without its placeable header: window origin and extent, then EOF.
const std::string kWmf = [] {
  std::string w(18 + 10 + 10 + 6, '\0');
  test::Put16(w, 0, 1);
  test::Put16(w, 2, 9);
  test::Put16(w, 4, 0x300);
  test::Put32(w, 6, uint32_t(w.size() / 2));
  test::Put32(w, 18, 5);
  test::Put16(w, 22, 0x020B);  // SETWINDOWORG y x
  test::Put32(w, 28, 5);
  test::Put16(w, 32, 0x020C);  // SETWINDOWEXT y x
  test::Put16(w, 34, 500);
  test::Put16(w, 36, 800);
  test::Put32(w, 38, 3);
  return w;
}();
// A 2x1 8-bit DIB with a 2-colour palette.
const std::string kDib = [] {
  std::string d(40 + 8 + 4, '\0');
  test::Put32(d, 0, 40);
  test::Put32(d, 4, 2);
  test::Put32(d, 8, 1);
  test::Put16(d, 12, 1);
  test::Put16(d, 14, 8);
  test::Put32(d, 32, 2);
  return d;
}();

// A PNG of real chunks: signature, IHDR, IDAT, IEND, each with its checksum.
std::string Png() {
  auto chunk = [](const std::string& type, const std::string& body) {
    std::string c =
        std::string{char(body.size() >> 24), char(body.size() >> 16), char(body.size() >> 8), char(body.size())} +
        type + body;
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(c.data() + 4), uInt(c.size() - 4)));
    return c + std::string{char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
  };
  std::string ihdr = std::string("\0\0\0\x08\0\0\0\x04\x08\x02\0\0\0", 13);
  return "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + chunk("IDAT", test::Deflate(std::string(2000, 'p'))) +
         chunk("IEND", "");
}

class DocPicturesTest : public ::testing::Test {
 protected:
  // Reads `bytes` as a .doc; the pictures' bytes as they would be written.
  std::vector<std::string> Read(const std::string& bytes) {
    SourceFile file;
    EXPECT_TRUE(SourceFile::Open(dir.write("p.doc", bytes), &file).ok());
    pictures.clear();
    EXPECT_TRUE(ReadDocDeep(file, nullptr, &damage, &text, nullptr, &pictures).ok());
    std::vector<std::string> out;
    for (const PictureRecord& p : pictures) {
      std::string made;
      EXPECT_TRUE(p.maker
                      ->make(
                          file, [&](std::string_view b) { return made.append(b), Status::OK(); }, nullptr)
                      .ok());
      EXPECT_EQ(int64_t(made.size()), p.maker->size());
      out.push_back(made);
    }
    return out;
  }
  const Damage* Find(const std::string& part) const {
    for (const Damage& d : damage.entries()) {
      if (d.reason.find(part) != std::string::npos) return &d;
    }
    return nullptr;
  }
  std::string Dump() const {
    std::string s;
    for (const Damage& d : damage.entries()) s += d.reader + "@" + std::to_string(d.offset) + ": " + d.reason + "\n";
    return s;
  }
  // A document with one inline picture: `blip` in a store entry after a PICF.
  static std::string Inline(const std::string& blip, uint8_t blipType, CfbLayout* layout) {
    PictureDoc doc;
    doc.data = test::Picf(0x64, test::InlineArt(test::StoreEntry(blipType, blip, true)));
    doc.inlineAt = {0};
    doc.inlineCp = {1};
    return test::BuildPictureDoc(doc, layout);
  }

  test::TempDir dir;
  DamageReport damage;
  std::string text;
  std::vector<PictureRecord> pictures;
};

TEST_F(DocPicturesTest, InlineJpegAndCmykJpegComeOutAsStored) {
  CfbLayout layout;
  EXPECT_EQ(Read(Inline(test::BitmapBlip(0xF01D, 0x46A, kJpeg), 5, &layout)), std::vector<std::string>{kJpeg});
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].name + "." + pictures[0].ext, "picture-001.jpg");
  EXPECT_EQ(pictures[0].reader, "doc");
  EXPECT_FALSE(pictures[0].partial);
  EXPECT_EQ(text, "AB\r\n");  // the picture character is no text
  // CMYK JPEG, in its own record type.
  EXPECT_EQ(Read(Inline(test::BitmapBlip(0xF02A, 0x6E2, kJpeg), 0x12, &layout)), std::vector<std::string>{kJpeg});
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DocPicturesTest, SmallPngInTheSmallStreamContainer) {
  // A Data stream under 4096 bytes lies in 64-byte small sectors after another small stream.
  PictureDoc doc;
  const std::string png = Png();
  ASSERT_LT(png.size(), 3000u);
  doc.data = test::Picf(0x64, test::InlineArt(test::StoreEntry(6, test::BitmapBlip(0xF01E, 0x6E0, png), true)));
  doc.inlineAt = {0};
  doc.inlineCp = {1};
  doc.extra = {{"CompObj", std::string(100, 'c')}};
  CfbLayout layout;
  EXPECT_EQ(Read(test::BuildPictureDoc(doc, &layout)), std::vector<std::string>{png});
  EXPECT_EQ(pictures[0].width, 8);
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DocPicturesTest, DibBecomesABmpFile) {
  CfbLayout layout;
  const auto out = Read(Inline(test::BitmapBlip(0xF01F, 0x7A8, kDib), 7, &layout));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(pictures[0].ext, "bmp");
  std::string header = "BM" + std::string(12, '\0');
  test::Put32(header, 2, uint32_t(14 + kDib.size()));
  test::Put32(header, 10, 14 + 40 + 8);  // after the info header and the two palette entries
  EXPECT_EQ(out[0], header + kDib);
}

TEST_F(DocPicturesTest, TiffAndPictAsFilesOfTheirOwn) {
  CfbLayout layout;
  EXPECT_EQ(Read(Inline(test::BitmapBlip(0xF029, 0x6E4, kTiff), 0x11, &layout)), std::vector<std::string>{kTiff});
  EXPECT_EQ(pictures[0].ext, "tif");
  const std::string pict(300, 'q');
  EXPECT_EQ(Read(Inline(test::MetafileBlip(0xF01C, 0x542, pict, true), 4, &layout)),
            std::vector<std::string>{std::string(512, '\0') + pict});
  EXPECT_EQ(pictures[0].ext, "pct");
}

TEST_F(DocPicturesTest, CompressedMetafilesAreInflated) {
  CfbLayout layout;
  EXPECT_EQ(Read(Inline(test::MetafileBlip(0xF01A, 0x3D4, kEmf, true), 2, &layout)), std::vector<std::string>{kEmf});
  EXPECT_EQ(pictures[0].ext, "emf");
  // A WMF gets its placeable header: the window's bounds, units per inch from the size (one inch).
  const auto out = Read(Inline(test::MetafileBlip(0xF01B, 0x216, kWmf, true), 3, &layout));
  ASSERT_EQ(out.size(), 1u);
  ASSERT_EQ(out[0].size(), 22 + kWmf.size());
  EXPECT_EQ(out[0].substr(22), kWmf);
  EXPECT_EQ(out[0].substr(0, 4), "\xD7\xCD\xC6\x9A");
  EXPECT_EQ(uint8_t(out[0][10]) | (uint8_t(out[0][11]) << 8), 800);  // right
  EXPECT_EQ(uint8_t(out[0][14]) | (uint8_t(out[0][15]) << 8), 800);  // units per inch
  uint16_t sum = 0;
  for (int i = 0; i < 20; i += 2) sum ^= uint16_t(uint8_t(out[0][i]) | (uint8_t(out[0][i + 1]) << 8));
  EXPECT_EQ(uint8_t(out[0][20]) | (uint8_t(out[0][21]) << 8), sum);
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DocPicturesTest, OldStylePicfHoldsTheMetafileOrBitmapItself) {
  PictureDoc doc;
  const std::string wmf = test::Picf(8, kWmf, 2540, 1270);  // MM_ANISOTROPIC, one inch wide
  doc.data = wmf + test::Picf(99, kDib);
  doc.inlineAt = {0, uint32_t(wmf.size())};
  doc.inlineCp = {0, 1};
  doc.text =
      "\x01\x01"
      "B\r";
  CfbLayout layout;
  const auto out = Read(test::BuildPictureDoc(doc, &layout));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].substr(22), kWmf);
  EXPECT_EQ(uint8_t(out[0][14]) | (uint8_t(out[0][15]) << 8), 800);
  EXPECT_EQ(out[1].substr(0, 2), "BM");
  EXPECT_EQ(out[1].substr(14), kDib);
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DocPicturesTest, FloatingPicturesFromTheStoreInTextOrderEachOnce) {
  // Two floating pictures delayed in the main stream, anchored at characters
  // 2 and 0; an inline one at character 1; the same inline picture again.
  PictureDoc doc;
  const std::string png = Png(), jpeg = test::BitmapBlip(0xF01D, 0x46A, kJpeg);
  const std::string pngBlip = test::BitmapBlip(0xF01E, 0x6E0, png, 'p');
  const std::string emfBlip = test::MetafileBlip(0xF01A, 0x3D4, kEmf, true);
  doc.delayed = pngBlip + emfBlip;
  doc.store = test::StoreEntry(6, pngBlip, false, test::kDelayedAt) +
              test::StoreEntry(2, emfBlip, false, test::kDelayedAt + uint32_t(pngBlip.size()));
  doc.floatingCp = {2, 0};
  const std::string inlinePicture = test::Picf(0x64, test::InlineArt(test::StoreEntry(5, jpeg, true)));
  doc.data = inlinePicture + inlinePicture;
  doc.inlineAt = {0, uint32_t(inlinePicture.size())};
  doc.inlineCp = {1, 3};
  doc.text = "\x08\x01\x08\x01\r";
  CfbLayout layout;
  EXPECT_EQ(Read(test::BuildPictureDoc(doc, &layout)), (std::vector<std::string>{kEmf, kJpeg, png}));
  EXPECT_TRUE(damage.empty()) << Dump();
}

TEST_F(DocPicturesTest, EmbeddedObjectsPictureIsLeftToTheObject) {
  PictureDoc doc;
  doc.data = test::Picf(0x64, test::InlineArt(test::StoreEntry(5, test::BitmapBlip(0xF01D, 0x46A, kJpeg), true), true));
  doc.inlineAt = {0};
  doc.inlineCp = {1};
  CfbLayout layout;
  EXPECT_TRUE(Read(test::BuildPictureDoc(doc, &layout)).empty());
}

TEST_F(DocPicturesTest, EmbeddedWordDocumentTextAndPicturesAndAFile) {
  // An embedded Word document with a picture of its own, and a wrapped file.
  PictureDoc innerDoc;
  innerDoc.text = "Inner \x01 here\r";
  innerDoc.data = test::Picf(0x64, test::InlineArt(test::StoreEntry(6, test::BitmapBlip(0xF01E, 0x6E0, Png()), true)));
  innerDoc.inlineAt = {0};
  innerDoc.inlineCp = {6};
  CfbLayout innerLayout;
  // The inner document's streams, taken from a file built alone.
  const std::string innerFile = test::BuildPictureDoc(innerDoc, &innerLayout);
  auto stream = [&](const std::string& name, size_t size) {
    return innerFile.substr(size_t(CfbLayout::Offset(innerLayout.start.at(name))), size);
  };
  std::string native(4, '\0');
  const std::string payload = "%PDF-1.4 the attached file";
  native += std::string("\x02\0", 2) + "report.pdf" + '\0' + "C:\\docs\\report.pdf" + '\0' + std::string(4, '\0');
  native += std::string("\x05\0\0\0", 4) + "tmp1" + '\0';
  native += std::string{char(payload.size()), 0, 0, 0} + payload;
  PictureDoc doc;
  doc.text = "Outer\r";
  doc.extra = {{"ObjectPool/_1/WordDocument", stream("WordDocument", 0x1200)},
               {"ObjectPool/_1/1Table", stream("1Table", 0x1000)},
               {"ObjectPool/_2/\x01Ole10Native", native}};
  // The inner Data stream is small: rebuild it here.
  doc.extra.insert(doc.extra.begin() + 2, {"ObjectPool/_1/Data", innerDoc.data});
  CfbLayout layout;
  const auto out = Read(test::BuildPictureDoc(doc, &layout));
  EXPECT_EQ(text, "Outer\r\n\r\nInner  here\r\n");
  ASSERT_EQ(out.size(), 2u) << Dump();
  EXPECT_EQ(out[0], Png());
  EXPECT_EQ(pictures[0].name, "picture-001");
  EXPECT_EQ(out[1], payload);
  EXPECT_EQ(pictures[1].name + "." + pictures[1].ext, "report.pdf");
  EXPECT_EQ(pictures[1].reader, "object");
}

TEST_F(DocPicturesTest, PictureAcrossSectorsThatAreNotNeighboursComesOutWhole) {
  // A big Data stream whose second sector was moved to the end of the file:
  // the FAT leads there and back, and the old place holds other bytes.
  PictureDoc doc;
  const std::string jpeg = "\xFF\xD8\xFF\xE0" + std::string(5000, 'k') + "\xFF\xD9";
  doc.data = test::Picf(0x64, test::InlineArt(test::StoreEntry(5, test::BitmapBlip(0xF01D, 0x46A, jpeg), true)));
  doc.inlineAt = {0};
  doc.inlineCp = {1};
  CfbLayout layout;
  std::string file = test::BuildPictureDoc(doc, &layout);
  const uint32_t first = layout.start.at("Data");
  const uint32_t moved = uint32_t(file.size() / 512 - 1);
  file += file.substr(size_t(CfbLayout::Offset(first + 1)), 512);
  file.replace(size_t(CfbLayout::Offset(first + 1)), 512, 512, 'X');
  const size_t fat = size_t(CfbLayout::Offset(layout.fatSector));
  test::Put32(file, fat + 4 * first, moved);
  test::Put32(file, fat + 4 * moved, first + 2);
  test::Put32(file, fat + 4 * (first + 1), 0xFFFFFFFF);
  EXPECT_EQ(Read(file), std::vector<std::string>{jpeg});
  EXPECT_TRUE(damage.empty()) << Dump();
}

// Each corruption: what still comes out, and the entry that says why.
TEST_F(DocPicturesTest, DamagedPicfIsFoundByAScanOfTheStream) {
  PictureDoc doc;
  doc.data = test::Picf(0x64, test::InlineArt(test::StoreEntry(5, test::BitmapBlip(0xF01D, 0x46A, kJpeg), true)));
  doc.data.replace(0, 8, 8, '\0');  // the PICF's size and header size
  doc.inlineAt = {0};
  doc.inlineCp = {1};
  CfbLayout layout;
  EXPECT_EQ(Read(test::BuildPictureDoc(doc, &layout)), std::vector<std::string>{kJpeg});
  EXPECT_EQ(pictures[0].reader, "doc-scan");
  EXPECT_NE(Find("has no valid header"), nullptr) << Dump();
  EXPECT_NE(Find("1 picture was found by searching the file"), nullptr) << Dump();
}

TEST_F(DocPicturesTest, CutPictureIsWrittenAsFarAsItGoesAndMarkedPartial) {
  CfbLayout layout;
  const std::string jpeg = kJpeg + std::string(3000, 'x') + "\xFF\xD9";
  std::string file = Inline(test::BitmapBlip(0xF01D, 0x46A, jpeg), 5, &layout);
  const size_t at = file.find("\xFF\xD8\xFF\xE0");
  file.resize(at + 2000);
  const auto out = Read(file);
  ASSERT_EQ(out.size(), 1u) << Dump();
  EXPECT_EQ(out[0], jpeg.substr(0, 2000));
  EXPECT_TRUE(pictures[0].partial);
  const Damage* d = Find("Picture picture-001.jpg: its last");
  ASSERT_NE(d, nullptr) << Dump();
  EXPECT_EQ(d->offset, int64_t(at + 2000));
  EXPECT_EQ(d->length, int64_t(jpeg.size() - 2000));
}

TEST_F(DocPicturesTest, PngWithADamagedChunkIsMarkedPartial) {
  CfbLayout layout;
  std::string file = Inline(test::BitmapBlip(0xF01E, 0x6E0, Png()), 6, &layout);
  file[file.find("IDAT") + 10] ^= 0x55;
  ASSERT_EQ(Read(file).size(), 1u);
  EXPECT_TRUE(pictures[0].partial);
  EXPECT_NE(Find("a checksum inside it does not match"), nullptr) << Dump();
}

TEST_F(DocPicturesTest, ZeroedFatSectorStillGivesThePictureWhole) {
  CfbLayout layout;
  std::string file = Inline(test::BitmapBlip(0xF01D, 0x46A, kJpeg), 5, &layout);
  file.replace(size_t(CfbLayout::Offset(layout.fatSector)), 512, 512, '\0');
  EXPECT_EQ(Read(file), std::vector<std::string>{kJpeg});
}

TEST_F(DocPicturesTest, NoContainerTheFileIsSearchedAndNothingFalseIsTaken) {
  // No compound file at all: garbage, a BLIP record, a record that only looks like one.
  const std::string jpegBlip = test::BitmapBlip(0xF01D, 0x46A, kJpeg);
  std::string fake = test::BitmapBlip(0xF01D, 0x46A, std::string(500, 'z'));  // no JPEG inside
  std::string file = std::string(700, 'g') + jpegBlip + std::string(300, 'h') + fake;
  const auto out = Read(file);
  EXPECT_EQ(out, std::vector<std::string>{kJpeg});
  EXPECT_EQ(pictures[0].reader, "file-scan");
}

TEST_F(DocPicturesTest, StoreEntryPointingNowhereIsReported) {
  PictureDoc doc;
  const std::string blip = test::BitmapBlip(0xF01E, 0x6E0, Png());
  doc.delayed = std::string(64, '\0');
  doc.store = test::StoreEntry(6, blip, false, test::kDelayedAt);
  doc.floatingCp = {0};
  doc.text = "\x08\r";
  CfbLayout layout;
  EXPECT_TRUE(Read(test::BuildPictureDoc(doc, &layout)).empty());
  EXPECT_NE(Find("The picture store names a picture at offset 4608 of the main stream, but none is there"), nullptr)
      << Dump();
}

}  // namespace
}  // namespace kw
