// SPDX-License-Identifier: Apache-2.0
#include "cli/preview_writer.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace kw::cli {
namespace {

// Writes `pieces` through a PreviewWriter into a file and returns its content.
std::string Written(const std::vector<std::string>& pieces) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.txt";
  PreviewWriter writer(path);
  for (const auto& piece : pieces) writer.write(piece);
  EXPECT_TRUE(writer.finish());
  return test::ReadFile(path);
}

TEST(PreviewWriter, TrimsSpacesAtBothEndsOfTheWholeTextNotOfEachPiece) {
  EXPECT_EQ(Written({"  a ", " b  "}), "a  b");
  EXPECT_EQ(Written({"   ", "  ", " x", "  ", "   "}), "x");
  EXPECT_EQ(Written({"a", "   ", "b"}), "a   b");
  EXPECT_EQ(Written({"\r\n  x  \t  "}), "\r\n  x  \t");
  EXPECT_EQ(Written({"    ", ""}), "");
}

TEST(PreviewWriter, CreatesNoFileUntilFinished) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.txt";
  {
    PreviewWriter writer(path);
    writer.write("   ");
  }
  EXPECT_FALSE(std::ifstream(path).good());
}

TEST(PreviewWriter, ReportsAnOutputThatCannotBeWritten) {
  PreviewWriter writer("/nonexistent-folder/out.txt");
  writer.write("text");
  EXPECT_FALSE(writer.finish());
}

}  // namespace
}  // namespace kw::cli
