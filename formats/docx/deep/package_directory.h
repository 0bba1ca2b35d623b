// SPDX-License-Identifier: Apache-2.0
#pragma once
// CentralDirectory: the central directories a file holds, and how far each
// has moved since it was written.
//
// Central headers that follow one another without a gap form one
// directory. The end record right after it (Zip64 or not) says where its
// writer put the directory and how many entries it lists: the difference
// between that place and where the directory lies is how far the whole
// package moved (bytes inserted before it, or removed from it), and a
// directory that lists as many headers as its end record counts is
// complete. A file can hold several directories: its own, and pieces of
// other packages that found their way into it.

#include <cstdint>
#include <vector>

#include "base/source_file.h"
#include "formats/docx/deep/package_headers.h"

namespace kw {

struct CentralDirectory {
  std::vector<PackageHeader> records;  // in file order, sound or not
  int64_t begin = 0;                   // 0-based offset of its first header
  int64_t end = 0;                     // 0-based, exclusive: just past its last header
  bool hasEndRecord = false;           // an end record follows it directly
  int64_t shift = 0;                   // where it lies less where its end record places it
  bool complete = false;               // its end record counts exactly its headers
};

// Groups the central headers read at their signatures (any order) into
// directories, in file order; `ends` are the offsets of end-record
// signatures (classic and Zip64).
std::vector<CentralDirectory> GroupDirectories(SourceFile& file, std::vector<PackageHeader> headers,
                                               const std::vector<int64_t>& ends);

}  // namespace kw
