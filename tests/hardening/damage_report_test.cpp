// SPDX-License-Identifier: Apache-2.0
// The damage report: each reader that drops bytes says where and why, and
// kwrecover --report writes it as JSON.

#include "base/damage_report.h"

#include <gtest/gtest.h>

#include "formats/docx/text/docx_recovery.h"
#include "formats/images/image_recovery.h"
#include "tests/docx/zip_builder.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/fake_host.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// The one entry a job reported, as "offset length reader: reason".
std::string OnlyEntry(const DamageReport& report) {
  if (report.entries().size() != 1) return "entries: " + std::to_string(report.entries().size());
  const Damage& d = report.entries()[0];
  return std::to_string(d.offset) + " " + std::to_string(d.length) + " " + d.reader + ": " + d.reason;
}

std::string DocxDamage(const test::TempDir& dir, const std::string& bytes) {
  test::FakeHost host;
  host.path = dir.write("d.docx", bytes);
  RecoveryJobState job;
  EXPECT_TRUE(DocxRecovery(job, host).ok());
  return OnlyEntry(host.report);
}

TEST(DamageReport, EveryDroppedEntrySaysWhereAndWhy) {
  test::TempDir dir;
  const test::LocalEntry good = test::MakeEntry(test::DocumentXml({"Text"}));
  const std::string junk = "JUNK";  // the entry lies 4 bytes in

  test::LocalEntry unsigned_ = good;
  unsigned_.signature = "PK\x05\x06";
  EXPECT_EQ(DocxDamage(dir, junk + unsigned_.bytes()),
            "4 " + std::to_string(unsigned_.bytes().size()) +
                " zip: The entry at this offset was dropped: its local header has no ZIP signature.");

  test::LocalEntry flipped = good;
  flipped.payload[flipped.payload.size() / 2] ^= 0x55;
  EXPECT_NE(DocxDamage(dir, junk + flipped.bytes()).find("4 "), std::string::npos);
  EXPECT_NE(DocxDamage(dir, junk + flipped.bytes()).find("damaged or cut short"), std::string::npos);

  const std::string cut = junk + good.bytes().substr(0, good.bytes().size() - 10);
  EXPECT_NE(DocxDamage(dir, cut).find("damaged or cut short"), std::string::npos);

  EXPECT_EQ(DocxDamage(dir, "no package here"),
            "0 15 docx: No entry named \"word/document\" was found: no text was read.");

  test::FakeHost intact;
  intact.path = dir.write("ok.docx", good.bytes());
  RecoveryJobState job;
  ASSERT_TRUE(DocxRecovery(job, intact).ok());
  EXPECT_TRUE(intact.report.empty());
}

TEST(DamageReport, PicturesWithoutAnEndAreReportedNotListed) {
  test::TempDir dir;
  for (const bool jpeg : {true, false}) {
    const std::string start = jpeg ? test::B({0xFF, 0xD8, 0xFF, 0xE0}) : test::B({0x89, 'P', 'N', 'G'});
    test::FakeHost host;
    host.path = dir.write("p.doc", "0123456789" + start + std::string(20, 'x'));
    RecoveryJobState job;
    ASSERT_TRUE(ImageRecovery(job, host).ok());
    EXPECT_TRUE(host.rows().empty());
    EXPECT_EQ(OnlyEntry(host.report), std::string("10 24 ") + (jpeg ? "jpeg: A JPEG" : "png: A PNG") +
                                          " picture starts here but no end marker follows: it was not listed.");
  }
}

TEST(DamageReport, KwrecoverWritesItAsJsonAlsoWhenTheJobFails) {
  test::TempDir dir;
  const std::string source = dir.write("bad\n.docx", "no package here");
  const std::string json = dir.path() + "/r.json";
  auto r = test::RunProcess(KWRECOVER_PATH, {"quick", source, "--report", json});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::ReadFile(json),
            "{\n  \"source\": \"" + dir.path() + "/bad\\u000a.docx\",\n" +
                "  \"mode\": \"quick\",\n  \"status\": \"ok\",\n  \"message\": \"\",\n"
                "  \"damage\": [\n    {\"offset\": 0, \"length\": 15, \"reader\": \"docx\", "
                "\"reason\": \"No entry named \\\"word/document\\\" was found: no text was read.\"}"
                "\n  ],\n  \"omitted\": 0\n}\n");
  r = test::RunProcess(KWRECOVER_PATH, {"images", dir.path() + "/missing", "--report", json});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(test::ReadFile(json).find("\"status\": \"error\""), std::string::npos);
  r = test::RunProcess(KWRECOVER_PATH, {"salvage", source, "--report", source});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(test::ReadFile(source), "no package here");
  EXPECT_EQ(JsonString("a\"\\\xFF\xC3\xA9"), "\"a\\\"\\\\\xEF\xBF\xBD\xC3\xA9\"");
}

}  // namespace
}  // namespace kw
