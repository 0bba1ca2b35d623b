// SPDX-License-Identifier: Apache-2.0
#pragma once
// RecoveryJobState: the working values of one job, shared by the passes of
// its engine.
//
// RunJob makes a fresh one for each job; the engines set the fields they use
// when they start, and the text they recover stays in sRecoveredText unless
// the job hands it to a text sink. The widths below are part of the data
// model.

#include <cstdint>
#include <string>

#include "base/output_file.h"

namespace kw {

struct RecoveryJobState {
  int16_t iStartPos = 0;       // first position of the current pass (2561 Quick, 1 otherwise)
  int32_t lCurPos = 0;         // step counter of the current pass (1-based position)
  std::string sCurChar;        // last byte read (after a read-ahead: the second byte); empty at EOF
  std::string sRecoveredText;  // the recovered text, UTF-8
  int32_t lTextStart = 0;      // where Salvage Recovery's extraction starts
  int16_t iImageCount = 0;     // pictures listed by the current job
  int32_t vPngStart = 0;       // PNG carver: last start-marker search result
  int32_t lPngEnd = 0;         // PNG carver: last end-marker search result
  // The file Image Recovery scanned: pictures are extracted only from it.
  FileIdentity sourceIdentity;
};

}  // namespace kw
