// SPDX-License-Identifier: Apache-2.0
#include "cli/images_command.h"

#include <cstdio>
#include <filesystem>

#include "base/message_text.h"
#include "cli/console_progress.h"
#include "cli/picture_files.h"
#include "cli/picture_rows.h"
#include "cli/report_file.h"
#include "jobs/job.h"

namespace kw::cli {

int ImagesCommand::execute(const ParsedArgs& args) {
  const ReportFile report(args);
  if (!report.check()) return kExitCannotRead;
  ConsoleProgress progress;
  const JobResult result = RunJob({.path = args.file, .mode = JobMode::kImages}, progress);
  progress.close();
  progress.printNotices(result.notices);
  if (!report.write(result.damage, result.status)) return kExitCannotRead;
  if (!result.status.ok()) return PrintError(result.status);
  if (!WriteStandardOutput(PictureListing(result.pictures))) return kExitCannotRead;
  if (!args.extractDir) return kExitOk;
  return WritePictureFiles(*args.extractDir, args.force, args.file, result);
}

}  // namespace kw::cli
