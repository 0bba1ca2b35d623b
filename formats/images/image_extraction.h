#pragma once
// Image extraction: copies one entry's bytes, sMark to eMark inclusive, out
// of the source document, either into a new "sqm" temporary file for the
// wizard's preview (SaveImages) or into a file the user names (ExtractImage,
// for kwrecover images --extract).
//
// The source is opened again at each call, through the path the wizard shows
// now; when the identity it had at the scan is known, a path that names
// another file now is refused, and the copy reads only the descriptor that
// was checked. Refused, with a message a user can act on and without writing any
// file: positions that are not whole numbers from 1, an eMark before sMark
// (possible for PNG entries), a source that cannot be read, a first byte past
// the source's end, no temporary file. An eMark past the end copies up to the
// end. The copy goes in large buffers and yields by time; each call keeps its
// own position and buffer, so a second extraction started while one yields
// cannot disturb it, and the two never write the same file.

#include <string>

#include "base/job_host.h"
#include "base/job_state.h"
#include "base/output_file.h"
#include "base/status.h"

namespace kw {

// Copies into a new GetTempFile("sqm") file and gives its path in
// *savedPath; job.sourceIdentity (when known) must still be the source's.
// *savedPath. Sets job.lCurPos (to the last position copied),
// job.sCurChar (the last byte copied) and empties job.sRecoveredText.
// ImgName and ImgExt play no part in the copy. Yields through `window` when
// given.
Status SaveImages(RecoveryJobState& job, const WizardInputs& inputs, const std::string& sMark, const std::string& eMark,
                  const std::string& ImgName, const std::string& ImgExt, std::string* savedPath,
                  StatusWindow* window = nullptr);

// Copies into `destination` through an OutputFile: an existing file there
// (or a link, even a dangling one) is refused unless `overwrite` is set, and
// then replaced as a whole once the copy is complete (a link is replaced,
// never followed). The source document itself is never a destination.
// Problems with the destination are I/O errors; an entry with nothing to
// copy is Invalid.
Status ExtractImage(const std::string& sourcePath, const std::string& sMark, const std::string& eMark,
                    const std::string& destination, bool overwrite, StatusWindow* window = nullptr,
                    const FileIdentity& scanned = FileIdentity());

}  // namespace kw
