// SPDX-License-Identifier: Apache-2.0
#pragma once
// The pictures of a job written into a folder, for images --extract and
// deep --pictures: DIR/<name>.<ext>, DIR made if missing, an existing file
// left alone unless `force`. Every picture is tried; one that cannot be
// written is reported on stderr and the others are still written.

#include <string>

#include "jobs/job.h"

namespace kw::cli {

// kExitOk when every picture was written, else kExitCannotRead after a
// summary line on stderr.
int WritePictureFiles(const std::string& dir, bool force, const std::string& sourcePath, const JobResult& result);

// A picture's file name inside a pictures folder ("<name>.<ext>"), or empty
// when the picture's name could lead out of it.
std::string PictureFileName(const PictureRecord& picture);

}  // namespace kw::cli
