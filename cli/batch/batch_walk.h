// SPDX-License-Identifier: Apache-2.0
#pragma once
// Finding the files of a batch, and checking where its outputs may go.
//
// Every regular file under the given files and folders is found, folders
// walked to any depth without recursion; a symbolic link is never followed
// (nor listed), nor is any other special file. Each file gets its relative
// name: the last component of the argument it was found under, then its path
// below that argument ("~/a/letters" gives "letters/2024/x.doc"; "." gives
// the current folder's own name). A folder that cannot be opened or listed,
// and an entry whose type cannot be read, is a failure of its own.

#include <string>
#include <vector>

#include "base/output_file.h"

namespace kw::cli {

struct BatchFile {
  std::string path;      // as found: the argument, then the names below it
  std::string relative;  // the name of its outputs inside OUTDIR
};

// A file or folder that could not be read, and why (a sentence).
struct BatchFailure {
  std::string path;
  std::string message;
};

// A folder that was walked, by identity (device and inode).
struct BatchFolder {
  std::string path;
  FileIdentity identity;
};

struct BatchListing {
  std::vector<BatchFile> files;          // in order of relative name
  std::vector<BatchFailure> unreadable;  // each gets a report line
  std::vector<BatchFolder> folders;      // every folder walked, the arguments' own included
  size_t skipped = 0;                    // links and special files left alone
};

// Lists the files, or returns false with *usageError saying why: an argument
// that is missing, a link (also with a slash after it) or a special file.
// Nothing is written.
bool ListBatchFiles(const std::vector<std::string>& inputs, BatchListing* listing, std::string* usageError);

// Empty when OUTDIR may hold the outputs; else why not: OUTDIR is an input
// folder or inside one, or an input is inside OUTDIR. Folders are compared
// by device and inode, so a link or a bind mount is no way around it.
std::string OutputPlacementError(const std::vector<std::string>& inputs, const BatchListing& listing,
                                 const std::string& outDir);

}  // namespace kw::cli
