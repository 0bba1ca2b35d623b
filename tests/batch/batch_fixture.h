// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the batch tests share: kwrecover batch run as a process, the lines of
// its report, and a small set of inputs.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/deep_docx/deep_package.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw::test {

inline const std::string kBatchDoc = Bytes(2560, '\0') + "Dear Sam,\rSee you soon.\r";

inline ProcessResult Batch(std::vector<std::string> args) {
  args.insert(args.begin(), "batch");
  return RunProcess(KWRECOVER_PATH, args);
}

inline std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A folder "docs" with two documents (one below), a .docx with a picture.
struct BatchInputs {
  TempDir dir;
  std::string docs = dir.path() + "/in/docs";
  std::string out = dir.path() + "/out";
  BatchInputs() {
    std::filesystem::create_directories(docs + "/sub");
    dir.write("in/docs/a.doc", kBatchDoc);
    dir.write("in/docs/sub/b.doc", kBatchDoc);
    dir.write("in/pic.docx", Package({MakeEntry(DocumentXml({"Picture below."})),
                                      MakeEntry(TinyPng(4, 3), 8, "word/media/image1.png")}));
  }
};

}  // namespace kw::test
