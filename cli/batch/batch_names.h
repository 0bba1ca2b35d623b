// SPDX-License-Identifier: Apache-2.0
#pragma once
// The names a batch gives its outputs inside OUTDIR, and the check that no
// two files of a batch need the same name.
//
// A file whose relative name is R gets its text as R.txt and, with
// --pictures, its pictures in the folder R.pictures; every folder of R is
// made. Two files clash when one's output would be a name the other's needs:
// the same R (two PATHs whose last components are alike), a text that is
// another file's folder (x and x.txt/y), or, with --pictures, a pictures
// folder that is another file's folder (x and x.pictures/y). The batch's own
// names at the top of OUTDIR (the report) are not given to a folder either.

#include <string>
#include <vector>

#include "cli/batch/batch_walk.h"

namespace kw::cli {

std::string TextName(const BatchFile& file);      // R.txt
std::string PicturesName(const BatchFile& file);  // R.pictures

// The name of the batch's report inside OUTDIR.
inline constexpr char kReportName[] = "report.jsonl";

// Empty when every output has a name of its own; else which two files (or
// which file and the report) would need the same name.
std::string OutputNameClash(const std::vector<BatchFile>& files, bool pictures);

}  // namespace kw::cli
