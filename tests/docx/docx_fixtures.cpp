// SPDX-License-Identifier: Apache-2.0
#include "tests/docx/docx_fixtures.h"

namespace kw::test {

namespace {

const std::string kCommon =
    "Accents: caf\u00e9, na\u00efve, Stra\u00dfe, \u03a9\u03bc\u03ad\u03b3\u03b1.\r\n"
    "\u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430: \u0441\u044a\u0435\u0448\u044c \u0436\u0435 "
    "\u0435\u0449\u0451 \u044d\u0442\u0438\u0445 \u043c\u044f\u0433\u043a\u0438\u0445 "
    "\u0431\u0443\u043b\u043e\u043a.\r\n"
    "\u6f22\u5b57\u3068\u304b\u306a\u3001\ud55c\uad6d\uc5b4 \ud14d\uc2a4\ud2b8.\r\n";
const std::string kSigns = "Signs: 5 < 6 & 7 > 3, a 'quoted' word, 50% off.\r\n";
const std::string kTab = "Name\tValue\r\n";
const std::string kBreak = "Line one\r\nLine two\r\n";

std::string Text(const std::string& writer, const std::string& rest) {
  return "Recovery fixture, written by " + writer + ".\r\n" + kCommon + rest;
}

}  // namespace

std::string FixturePath(const std::string& file) { return std::string(KW_SOURCE_DIR) + "/tests/docx/data/" + file; }

const std::vector<DocxFixture>& DocxFixtures() {
  static const std::vector<DocxFixture> fixtures = {
      // Sizes in data descriptors, zeros in the local header.
      {"libreoffice.docx", Text("LibreOffice", kSigns + kTab)},
      {"zipfile_stream.docx", Text("Python zipfile to a pipe", kSigns + kTab + kBreak)},
      // Data descriptor, uncompressed size also in the header.
      {"infozip_stream.docx", Text("Info-ZIP zip to a pipe", kSigns + kTab + kBreak)},
      // Sizes in the local header.
      {"python_docx.docx", Text("python-docx", kSigns + kTab + kBreak)},
      {"pandoc.docx", Text("pandoc", "Signs: 5 < 6 & 7 > 3, a \u201cquoted\u201d word, 50% off.\r\n" + kBreak)},
      {"zipfile.docx", Text("Python zipfile", kSigns + kTab + kBreak)},
      {"infozip.docx", Text("Info-ZIP zip", kSigns + kTab + kBreak)},
  };
  return fixtures;
}

}  // namespace kw::test
