// SPDX-License-Identifier: Apache-2.0
#pragma once
// Image extraction: copies one picture out of the job's results, either into
// a new "sqm" temporary file for the wizard's preview (SaveImages) or into a
// file the user names (ExtractImage, also for kwrecover images --extract).
//
// A picture that is a range of the source (firstByte to lastByte inclusive)
// is copied from the source, opened again at each call through its path;
// when the identity the file had at the scan is known, a path that names
// another file now is refused, and the copy reads only the descriptor that
// was checked. Refused, with a message a user can act on and without writing
// any file: a range that ends before it begins (possible for PNG pictures),
// a source that cannot be read, a first byte past the source's end, no
// temporary file. A last byte past the end copies up to the end. A picture
// that holds its own bytes is written as it is; one that is made again from
// the source (a picture inside a package) is made from the source opened
// again, which must be the file that was scanned. The copy goes in large
// buffers and yields by time; each call keeps its own position and buffer,
// so a second extraction started while one yields cannot disturb it, and the
// two never write the same file.

#include <string>

#include "base/job_progress.h"
#include "base/output_file.h"
#include "base/picture_record.h"
#include "base/status.h"

namespace kw {

// Copies into a new GetTempFile("sqm") file and gives its path in
// *savedPath. Yields through `progress` when given.
Status SaveImages(const std::string& sourcePath, const FileIdentity& scanned, const PictureRecord& picture,
                  std::string* savedPath, JobProgress* progress = nullptr);

// Copies into `destination` through an OutputFile: an existing file there
// (or a link, even a dangling one) is refused unless `overwrite` is set, and
// then replaced as a whole once the copy is complete; a link is refused even
// then and left as it is, never followed nor replaced. The source document
// itself is never a destination. Problems with the destination are I/O
// errors; a picture with nothing to copy is Invalid.
Status ExtractImage(const std::string& sourcePath, const FileIdentity& scanned, const PictureRecord& picture,
                    const std::string& destination, bool overwrite, JobProgress* progress = nullptr);

// The same into `name` inside the open folder `folder` (OutputFile::Options::
// folder; `folderPath` names it in messages).
Status ExtractImageAt(int folder, const std::string& folderPath, const std::string& name, const std::string& sourcePath,
                      const FileIdentity& scanned, const PictureRecord& picture, bool overwrite,
                      JobProgress* progress = nullptr);

}  // namespace kw
