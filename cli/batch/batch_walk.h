// SPDX-License-Identifier: Apache-2.0
#pragma once
// Finding the files of a batch, and checking where its outputs may go.
//
// Every regular file under the given files and folders is found, folders
// walked to any depth without recursion; a symbolic link is never followed
// (nor listed), nor is any other special file. Each file gets its relative
// name: the last component of the argument it was found under, then its path
// below that argument ("~/a/letters" gives "letters/2024/x.doc"; "." gives
// the current folder's own name).

#include <string>
#include <vector>

namespace kw::cli {

struct BatchFile {
  std::string path;      // as found: the argument, then the names below it
  std::string relative;  // the name of its outputs inside OUTDIR
};

struct BatchListing {
  std::vector<BatchFile> files;            // in order of relative name
  std::vector<BatchFile> unreadable;       // folders that could not be listed
  std::vector<std::string> unreadableWhy;  // the reason, one per unreadable folder
  size_t skipped = 0;                      // links and special files left alone
};

// Lists the files, or returns false with *usageError saying why: an argument
// that is missing, a link or a special file, or two files that would get the
// same relative name. Nothing is written.
bool ListBatchFiles(const std::vector<std::string>& inputs, BatchListing* listing, std::string* usageError);

// Empty when OUTDIR may hold the outputs; else why not: OUTDIR is an input
// folder or inside one, or an input is inside OUTDIR (links resolved).
std::string OutputPlacementError(const std::vector<std::string>& inputs, const std::string& outDir);

}  // namespace kw::cli
