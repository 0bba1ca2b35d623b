// SPDX-License-Identifier: Apache-2.0
#pragma once
// The packages in tests/docx/data (written by scripts/make_docx_fixtures.py)
// and the text each must give.

#include <string>
#include <vector>

namespace kw::test {

struct DocxFixture {
  std::string file;  // name in tests/docx/data
  std::string text;  // the recovered text
};

std::string FixturePath(const std::string& file);
const std::vector<DocxFixture>& DocxFixtures();

}  // namespace kw::test
