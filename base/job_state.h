#pragma once
// RecoveryJobState: the one record of working values shared by the engines,
// the job controller and the wizard for the job that runs now.
//
// It lives as long as its owner (the wizard or the CLI) and is never reset as
// a whole: each engine sets the fields it uses when it starts, the wizard sets
// iImageCount to 0 before each job and empties sRecoveredText after it. Fields
// that a job does not touch keep the previous job's values (lTextStart in
// particular). The widths below are part of the data model.

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
