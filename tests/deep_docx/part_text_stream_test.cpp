// SPDX-License-Identifier: Apache-2.0
// StreamPartText against ReadEntryData then addPiece on its piece: the same
// text and the same reports for every entry it takes, and nothing reported
// for the entries it hands back whole.

#include "formats/docx/deep/part_text_stream.h"

#include <gtest/gtest.h>

#include "formats/docx/deep/entry_data.h"
#include "formats/docx/deep/package_scan.h"
#include "tests/deep_docx/deep_package.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

std::string Reports(const DamageReport& damage) {
  std::string out;
  for (const Damage& d : damage.entries()) out += std::to_string(d.offset) + " " + d.reason + "\n";
  return out;
}

struct Outcome {
  std::string text, reports;
  bool whole = false;
};

// Both ways on the first entry of `package`.
std::pair<Outcome, Outcome> BothWays(const std::string& package, size_t limit = size_t{256} << 20) {
  test::TempDir dir;
  SourceFile file;
  EXPECT_TRUE(SourceFile::Open(dir.write("p.docx", package), &file).ok());
  PackageScan scan;
  EXPECT_TRUE(ScanPackage(file, nullptr, nullptr, &scan).ok());
  EXPECT_FALSE(scan.entries.empty());
  EntryReadOptions options;
  options.absoluteLimit = limit;
  Outcome old, streamed;
  DamageReport oldDamage, streamDamage;
  EntryData data;
  EXPECT_TRUE(ReadEntryData(file, scan.entries[0], options, nullptr, &oldDamage, &data).ok());
  WordXmlText oldReader(&old.text);
  for (const InflatePiece& piece : data.pieces) oldReader.addPiece(piece.bytes, piece.fromStart);
  old.reports = Reports(oldDamage);
  PartStream stream;
  WordXmlText reader(&streamed.text);
  EXPECT_TRUE(StreamPartText(file, scan.entries[0], options, nullptr, &streamDamage, &reader, &stream).ok());
  streamed.reports = Reports(streamDamage);
  streamed.whole = stream.whole;
  if (!stream.whole) {
    EXPECT_EQ(stream.produced, data.pieces.empty() ? 0 : data.pieces[0].bytes.size());
    EXPECT_EQ(stream.head, data.pieces[0].bytes.substr(0, kPartHead));
  }
  return {old, streamed};
}

void ExpectSame(const std::string& package, size_t limit = size_t{256} << 20) {
  const auto [old, streamed] = BothWays(package, limit);
  ASSERT_FALSE(streamed.whole);
  EXPECT_EQ(streamed.text, old.text);
  EXPECT_EQ(streamed.reports, old.reports);
}

TEST(PartTextStream, StoredAndCleanDeflatedEntriesGiveTheSameTextAndReports) {
  const std::string xml = test::LongDocumentXml(20000);  // past the 1 MiB read chunk
  for (const uint16_t method : {uint16_t{0}, uint16_t{8}}) {
    test::LocalEntry entry = test::MakeEntry(xml, method);
    ExpectSame(test::Package({entry}));
    ExpectSame(test::Package({entry}).substr(0, 100000), 1 << 20);  // cut off, and a small limit
    entry.crc ^= 1;
    if (method == 0) ExpectSame(test::Package({entry}));  // a wrong CRC: the stored bytes are kept
  }
  ExpectSame(test::Package({test::MakeEntry(xml, 8)}), 1 << 20);  // cut at the output limit
}

TEST(PartTextStream, DamagedDeflateIsHandedBackUnreported) {
  const std::string xml = test::LongDocumentXml(300);
  test::LocalEntry crc = test::MakeEntry(xml, 8);
  crc.crc ^= 1;
  test::LocalEntry broken = test::MakeEntry(xml, 8);
  broken.payload[broken.payload.size() / 2] ^= 0x55;
  for (const test::LocalEntry& entry : {crc, broken}) {
    const auto [old, streamed] = BothWays(test::Package({entry}));
    EXPECT_TRUE(streamed.whole);
    EXPECT_EQ(streamed.reports, "");
    EXPECT_NE(old.reports, "");
  }
}

}  // namespace
}  // namespace kw
