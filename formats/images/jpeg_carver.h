// SPDX-License-Identifier: Apache-2.0
#pragma once
// CarveJpegs: the first scan of Image Recovery, which finds JPEG pictures by
// their start marker FF D8 FF and end marker FF D9 and lists them.
//
// Pass 1 searches the start marker from the file's first byte and the end
// marker from the start marker's second byte; each later pass searches the
// start marker from the third byte after the previous picture's last byte
// and the end marker from the first byte after the new start marker. An end
// marker the end check rejects (jpeg_end_check.h) gives way to the next one,
// taken unchecked; when there is none, the rejected one stands. A picture is
// the bytes from the start marker's FF to the end marker's D9; nothing else
// about it is checked. The entries (GridJ0, GridJ1, ... "jpg") are listed
// when the scan ends, also when a read failure ended it.

#include <cstdint>

#include "base/job_context.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

// Not OK when the source cannot be opened (nothing is listed) or a read
// failed during the scan (what was found before is listed). When `unlisted`
// is given, adds to it the pictures found but not listed because the job's
// list was full.
// Once named RecoverJPG.
Status CarveJpegs(RecoveryJobState& job, JobContext& context, int64_t* unlisted = nullptr);

}  // namespace kw
