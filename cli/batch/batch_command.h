// SPDX-License-Identifier: Apache-2.0
#pragma once
// batch: recovers every file under the given files and folders into one
// output folder, several at a time, with a JSON-lines report (see
// BatchUsageText for the command line and the layout).
//
// Everything that can be checked is checked before any file is read: the
// options, the inputs (existing files or folders, no links), names that
// would collide, an OUTDIR that is or lies inside an input folder or holds
// an input (by device and inode), an OUTDIR that is not empty without
// --resume, and another batch running into OUTDIR (its lock). Each of those
// is a usage error (exit 2) and nothing is written. Then every file is
// recovered by one of N workers (RunBatchFile); a file or folder that cannot
// be read is reported and the others go on (exit 1 at the end). A report
// that cannot be written stops the batch.

#include "cli/command.h"

namespace kw::cli {

class BatchCommand : public Command {
 public:
  int execute(const ParsedArgs& args) override;
};

}  // namespace kw::cli
