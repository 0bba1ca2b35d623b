#include "cli/text_command.h"

#include <cstdio>

#include "engine/job_controller.h"
#include "engine/text_preview.h"

namespace kw::cli {

int TextCommand::execute(const ParsedArgs& args) {
  RecoveryJobState job;
  ConsoleHost host(args.file, mode_);
  JobController controller(job, host);
  const Status status = controller.Timer1_Timer();
  if (!status.ok()) {
    std::fprintf(stderr, "kwrecover: %s\n", status.message().c_str());
    return kExitCannotRead;
  }
  const std::string_view text = PreviewText(job.sRecoveredText);
  if (!WriteOutput(args.output.value_or(""), text)) return kExitCannotRead;
  return kExitOk;
}

}  // namespace kw::cli
