// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/zip_entry_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "formats/docx/zip/raw_inflater.h"
#include "tests/docx/zip_builder.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using test::Descriptor;
using test::LocalEntry;
using test::MakeEntry;

const std::string kXml = test::DocumentXml({"First paragraph.", "Second one, a bit longer than the first."});

// Reads the entry at `headerPos` of a file holding `bytes`.
std::optional<std::string> Read(const std::string& bytes, int64_t headerPos = 1) {
  test::TempDir dir;
  SourceFile file;
  EXPECT_TRUE(SourceFile::Open(dir.write("p.docx", bytes), &file).ok());
  return ReadZipEntry(file, headerPos);
}

// An entry written the streaming way: flag bit 3, zeros in the header.
LocalEntry Streamed(const std::string& content) {
  LocalEntry e = MakeEntry(content);
  e.flags = 0x0008;
  e.crc = e.compressedSize = e.uncompressedSize = 0;
  return e;
}

TEST(ZipEntryReader, DeflatedAndStoredEntries) {
  EXPECT_EQ(Read(MakeEntry(kXml).bytes()), kXml);
  EXPECT_EQ(Read(MakeEntry(kXml, 0).bytes()), kXml);
  // The name is not compared with anything; the header may sit anywhere.
  EXPECT_EQ(Read("junk" + MakeEntry(kXml, 8, "other.bin").bytes(), 5), kXml);
  // Name and extra field are skipped.
  LocalEntry extra = MakeEntry(kXml);
  extra.extra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
  EXPECT_EQ(Read(extra.bytes()), kXml);
}

TEST(ZipEntryReader, ChecksumsAndSizes) {
  LocalEntry stored = MakeEntry(kXml, 0);
  stored.crc ^= 1;
  EXPECT_EQ(Read(stored.bytes()), kXml);  // stored data is not checked

  LocalEntry badCrc = MakeEntry(kXml);
  badCrc.crc ^= 1;
  EXPECT_EQ(Read(badCrc.bytes()), std::nullopt);

  LocalEntry small = MakeEntry(kXml);
  small.uncompressedSize -= 1;
  EXPECT_EQ(Read(small.bytes()), std::nullopt);
  LocalEntry large = MakeEntry(kXml);
  large.uncompressedSize += 1;
  EXPECT_EQ(Read(large.bytes()), std::nullopt);

  // Deflated data whose true end is zeros, cut before them: the zero tail
  // still matches the CRC, so the entry is whole.
  const std::string zeros = "text" + std::string(100, '\0');
  LocalEntry tail = MakeEntry("text");
  tail.crc = test::Crc32Of(zeros);
  tail.uncompressedSize = static_cast<uint32_t>(zeros.size());
  EXPECT_EQ(Read(tail.bytes()), zeros);
}

TEST(ZipEntryReader, HeadersThatAreNoUsableEntry) {
  LocalEntry signature = MakeEntry(kXml);
  signature.signature = "PK\x01\x02";
  EXPECT_EQ(Read(signature.bytes()), std::nullopt);
  for (const uint16_t method : {12, 14, 1}) {
    LocalEntry other = MakeEntry(kXml);
    other.method = method;
    EXPECT_EQ(Read(other.bytes()), std::nullopt) << method;
  }
  LocalEntry longName = MakeEntry(kXml);
  longName.nameLength = 0x8000;  // negative as held
  EXPECT_EQ(Read(longName.bytes()), std::nullopt);
  LocalEntry longExtra = MakeEntry(kXml);
  longExtra.extra = std::string(0x8000, 'e');
  EXPECT_EQ(Read(longExtra.bytes()), std::nullopt);
  LocalEntry noSizes = MakeEntry(kXml);  // zeros without the descriptor flag
  noSizes.compressedSize = noSizes.uncompressedSize = 0;
  EXPECT_EQ(Read(noSizes.bytes()), std::nullopt);
  LocalEntry noOutput = MakeEntry(kXml);
  noOutput.uncompressedSize = 0;
  EXPECT_EQ(Read(noOutput.bytes()), std::nullopt);
  EXPECT_EQ(Read(MakeEntry(kXml).bytes(), 0), std::nullopt);
  EXPECT_EQ(Read(MakeEntry(kXml).bytes(), -32), std::nullopt);
  EXPECT_EQ(Read(MakeEntry(kXml).bytes(), 1 << 30), std::nullopt);  // past the end
}

TEST(ZipEntryReader, SizesAreNeverTrustedForAllocation) {
  // Declared sizes of 2 GiB or more (negative), beyond the 1 GiB cap, or
  // beyond deflate's largest ratio give nothing, at once.
  for (const uint32_t declared : {0x80000000u, 0x7FFFFFFFu, (1u << 30) + 1, 1032u * 200}) {
    LocalEntry e = MakeEntry(std::string(100, 'a'));  // a few bytes of data
    e.uncompressedSize = declared;
    ASSERT_LT(e.payload.size(), 200u);
    EXPECT_EQ(Read(e.bytes()), std::nullopt) << declared;
  }
  // A compressed size past the end of the file reads what is there.
  LocalEntry cut = MakeEntry(kXml, 0);
  cut.compressedSize = 0x7FFFFFF0;
  EXPECT_EQ(Read(cut.bytes()), kXml);
}

TEST(ZipEntryReader, DataDescriptorAfterTheData) {
  const LocalEntry full = MakeEntry(kXml);
  const std::string described = Descriptor(full.crc, full.compressedSize, full.uncompressedSize);
  const std::string bare = Descriptor(full.crc, full.compressedSize, full.uncompressedSize, false);
  EXPECT_EQ(Read(Streamed(kXml).bytes() + described), kXml);
  EXPECT_EQ(Read(Streamed(kXml).bytes() + bare), kXml);
  // Some writers also fill in the header; the stream still decides where
  // the data ends.
  LocalEntry filled = full;
  filled.flags = 0x0008;
  EXPECT_EQ(Read(filled.bytes() + described), kXml);

  // A damaged descriptor: the central directory record decides.
  const std::string damaged = Descriptor(full.crc ^ 1, full.compressedSize, full.uncompressedSize);
  const std::string entry = Streamed(kXml).bytes() + damaged;
  EXPECT_EQ(Read(entry + test::CentralHeader(full, 0)), kXml);
  EXPECT_EQ(Read(entry), std::nullopt);
  EXPECT_EQ(Read(entry + test::CentralHeader(full, 7)), std::nullopt);  // another entry's record
  LocalEntry wrong = full;
  wrong.crc ^= 1;
  EXPECT_EQ(Read(entry + test::CentralHeader(wrong, 0)), std::nullopt);

  // A stream that never ends gives nothing.
  LocalEntry cut = Streamed(kXml);
  cut.payload.resize(cut.payload.size() / 2);
  EXPECT_EQ(Read(cut.bytes()), std::nullopt);
}

TEST(ZipEntryReader, CutAndCorruptedPackagesGiveTheRightDataOrNone) {
  const LocalEntry plain = MakeEntry(kXml);
  const LocalEntry streamed = Streamed(kXml);
  const std::string packages[] = {
      plain.bytes(),
      streamed.bytes() + Descriptor(plain.crc, plain.compressedSize, plain.uncompressedSize) +
          test::CentralHeader(plain, 0),
  };
  std::mt19937 random(7);
  for (const std::string& package : packages) {
    for (size_t cut = 0; cut < package.size(); cut += 3) {
      const auto data = Read(package.substr(0, cut));
      if (data) {
        EXPECT_EQ(*data, kXml) << "cut at " << cut;
      }
    }
    for (int i = 0; i < 300; ++i) {
      std::string damaged = package;
      damaged[30 + random() % (damaged.size() - 30)] ^= static_cast<char>(1 + random() % 255);
      const auto data = Read(damaged);
      if (data) {
        EXPECT_EQ(*data, kXml) << "damage " << i;
      }
    }
  }
}

// Raw deflate data of `mib` MiB of zeros, made a piece at a time.
std::string DeflatedZeros(int mib) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  const std::string zeros(1 << 20, '\0');
  std::string out, buffer(1 << 16, '\0');
  for (int i = 0; i <= mib; ++i) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = i < mib ? static_cast<uInt>(zeros.size()) : 0;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer.data());
      z.avail_out = static_cast<uInt>(buffer.size());
      deflate(&z, i < mib ? Z_NO_FLUSH : Z_FINISH);
      out.append(buffer.data(), buffer.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return out;
}

TEST(ZipEntryReader, StreamedEntryPastTheLimitGivesNothingWithoutHoldingIt) {
  // Sizes after the data, so nothing declares them: the stream is measured
  // before any of it is kept (this one once took 2 GiB of memory to refuse).
  LocalEntry bomb = Streamed("");
  bomb.payload = DeflatedZeros(1025);
  EXPECT_EQ(Read(bomb.bytes() + Descriptor(0, static_cast<uint32_t>(bomb.payload.size()), 0)), std::nullopt);

  // Within the limit, the measured stream is then kept.
  LocalEntry zeros = Streamed("");
  zeros.payload = DeflatedZeros(8);
  const std::string expected(8 << 20, '\0');
  const std::string descriptor = Descriptor(test::Crc32Of(expected), static_cast<uint32_t>(zeros.payload.size()),
                                            static_cast<uint32_t>(expected.size()));
  const auto data = Read(zeros.bytes() + descriptor);
  EXPECT_TRUE(data && *data == expected);
}

TEST(RawInflater, StopsAtItsLimit) {
  // About a thousand to one: a small bomb.
  const std::string zeros(8 << 20, '\0');
  const std::string bomb = test::RawDeflate(zeros);
  RawInflater inflater(1 << 20);
  EXPECT_FALSE(inflater.feed(reinterpret_cast<const uint8_t*>(bomb.data()), bomb.size()));
  EXPECT_TRUE(inflater.limitReached());
  EXPECT_FALSE(inflater.ended());
  EXPECT_EQ(inflater.takeOutput().size(), size_t{1} << 20);
}

TEST(RawInflater, EndsAtTheStreamEndWhateverFollows) {
  const std::string stream = test::RawDeflate(kXml);
  const std::string input = stream + "PK\x07\x08 trailing bytes";
  RawInflater inflater(1 << 20);
  // Fed in small pieces, as a file is read.
  for (size_t at = 0; at < input.size() && inflater.feed(reinterpret_cast<const uint8_t*>(input.data()) + at,
                                                         std::min<size_t>(7, input.size() - at));
       at += 7) {
  }
  EXPECT_TRUE(inflater.ended());
  EXPECT_EQ(inflater.consumed(), stream.size());
  EXPECT_EQ(inflater.takeOutput(), kXml);
}

}  // namespace
}  // namespace kw
