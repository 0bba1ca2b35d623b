// SPDX-License-Identifier: Apache-2.0
#include "cli/args.h"

#include <gtest/gtest.h>

namespace kw::cli {
namespace {

using Action = ParsedArgs::Action;

TEST(ParseArgs, TextCommandsTakeAFileAndAnOutput) {
  ParsedArgs p = ParseArgs({"quick", "a.doc"});
  EXPECT_EQ(p.action, Action::kRun);
  EXPECT_EQ(p.command, "quick");
  EXPECT_EQ(p.file, "a.doc");
  EXPECT_FALSE(p.output);
  for (const auto& args : {std::vector<std::string>{"salvage", "a.doc", "-o", "out.txt"},
                           std::vector<std::string>{"salvage", "-o", "out.txt", "a.doc"},
                           std::vector<std::string>{"salvage", "a.doc", "--output=out.txt"},
                           std::vector<std::string>{"salvage", "a.doc", "-oout.txt"}}) {
    p = ParseArgs(args);
    EXPECT_EQ(p.action, Action::kRun);
    EXPECT_EQ(p.file, "a.doc");
    EXPECT_EQ(p.output.value_or(""), "out.txt");
  }
}

TEST(ParseArgs, ImagesTakesExtractAndForce) {
  ParsedArgs p = ParseArgs({"images", "a.doc", "--extract", "pics", "--force"});
  EXPECT_EQ(p.action, Action::kRun);
  EXPECT_EQ(p.extractDir.value_or(""), "pics");
  EXPECT_TRUE(p.force);
  EXPECT_EQ(ParseArgs({"info", "pic.tmp"}).action, Action::kRun);
}

TEST(ParseArgs, DoubleDashLetsAFileBeginWithADash) {
  ParsedArgs p = ParseArgs({"quick", "--", "-report.doc"});
  EXPECT_EQ(p.action, Action::kRun);
  EXPECT_EQ(p.file, "-report.doc");
  EXPECT_EQ(ParseArgs({"quick", "-report.doc"}).action, Action::kUsageError);
}

TEST(ParseArgs, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(ParseArgs({"--help"}).action, Action::kHelp);
  EXPECT_EQ(ParseArgs({"quick", "-h"}).action, Action::kHelp);
  EXPECT_EQ(ParseArgs({"--version"}).action, Action::kVersion);
  EXPECT_EQ(ParseArgs({"bogus", "--help"}).action, Action::kHelp);
}

TEST(ParseArgs, UsageErrorsSayWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  for (const Case& c : std::vector<Case>{
           {{}, "no command"},
           {{"fix", "a.doc"}, "unknown command"},
           {{"quick"}, "needs a file"},
           {{"quick", "--", ""}, "file name is empty"},
           {{"quick", "a.doc", "b.doc"}, "too many"},
           {{"quick", "a.doc", "-o"}, "needs a file name"},
           {{"quick", "a.doc", "--bogus"}, "unknown option"},
           {{"quick", "a.doc", "--extract", "d"}, "images only"},
           {{"images", "a.doc", "-o", "x"}, "not an option"},
           {{"images", "a.doc", "--force"}, "goes with --extract"},
           {{"info", "a.doc", "--force"}, "images and deep only"},
       }) {
    const ParsedArgs p = ParseArgs(c.args);
    EXPECT_EQ(p.action, Action::kUsageError) << c.says;
    EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
  }
}

}  // namespace
}  // namespace kw::cli
