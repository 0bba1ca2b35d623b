// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/stranded_text.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/docx/deep/tolerant_inflate.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {
namespace {

std::string Unknown(size_t n) { return std::string(n, kUnknownByte); }

// A resumed piece: tags copied from before it are unknown, the words
// between them known. Whole words between unknown stretches come back once
// they are words the text read whole holds; markup, attribute values,
// identifiers and the words cut by the unknown bytes never do.
TEST(StrandedText, TakesPlainTextBetweenUnknownBytesOnly) {
  std::string out = "lantern meadow copper violin granite orchard &\r\n";
  const std::string piece =
      Unknown(30) + "ern meadow copper violin granite orch" + Unknown(20) + "w:val=\"Heading1\" w:rsidR=\"00AB12CD\"" +
      Unknown(12) + "00AB12CD 00AB12CD 00AB12CD" + Unknown(9) + "<w:t>lantern meadow copper violin</w:t>" + Unknown(5) +
      "x zorbl quib frandle meep gorp" + Unknown(7) + "lantern &amp; meadow violin granite copper orchard." +
      Unknown(3) + "copper violin granite trailing";
  EXPECT_EQ(AppendStrandedText(piece, &out), 2u);
  EXPECT_EQ(out,
            "lantern meadow copper violin granite orchard &\r\n"
            "meadow copper violin granite\r\n"
            "& meadow violin granite copper\r\n");
}

// A stretch whose text would hold a control character or a byte out of a
// UTF-8 sequence, as codes out of step write them, is not taken.
TEST(StrandedText, NoControlCharacterNorStrayByte) {
  std::string out = "lantern meadow copper violin granite orchard\r\n";
  const std::string before = out;
  const std::string piece = Unknown(3) + "x lantern meadow &#1; copper violin y" + Unknown(3) +
                            "x lantern meadow \xC2\x82 copper violin y" + Unknown(3) +
                            "x lantern meadow \xC2 copper violin y" + Unknown(3);
  EXPECT_EQ(AppendStrandedText(piece, &out), 0u);
  EXPECT_EQ(out, before);
}

// Through the part reader: a piece with unknown bytes gives its whole runs
// and then its stranded text; a piece without any gives what it gave before.
TEST(StrandedText, PartReaderAddsItAfterAPiecesRuns) {
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece("<w:p><w:r><w:t>harbour willow ember quartz</w:t></w:r></w:p>", true);
  const std::string resumed =
      Unknown(40) + "x willow ember quartz harbour y" + Unknown(40) + "<w:p><w:r><w:t>falcon dune</w:t></w:r></w:p>";
  reader.addPiece(resumed, false);
  EXPECT_EQ(out, "harbour willow ember quartz\r\nfalcon dune\r\nwillow ember quartz harbour\r\n");
}

// Known words between unknown bytes inside a run's text are the run's: the
// reader keeps them with the run, and they are not taken again as stranded.
TEST(StrandedText, WordsInARunAreTakenOnce) {
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece("<w:p><w:r><w:t>harbour willow ember quartz</w:t></w:r></w:p>", true);
  reader.addPiece(
      "<w:p><w:r><w:t>x" + Unknown(9) + " willow ember quartz harbour " + Unknown(9) + "y</w:t></w:r></w:p>", false);
  EXPECT_EQ(out, "harbour willow ember quartz\r\nwillow ember quartz harbour \r\n");
  // The same when the run's tags are known only by the form they fit.
  out.resize(out.find("\r\n") + 2);
  reader.addPiece(Unknown(3) + "t>x" + Unknown(9) + " willow ember quartz harbour " + Unknown(9) + "y</" + Unknown(2) +
                      "t></w:r></w:p>",
                  false);
  EXPECT_EQ(out, "harbour willow ember quartz\r\nwillow ember quartz harbour \r\n");
  // And when unknown bytes close the run.
  out.resize(out.find("\r\n") + 2);
  reader.addPiece(Unknown(3) + "t>willow ember quartz harbour willow ember quartz" + Unknown(9), false);
  EXPECT_EQ(out, "harbour willow ember quartz\r\nwillow ember quartz harbour willow ember \r\n");
}

}  // namespace
}  // namespace kw
