#include "cli/text_command.h"

#include <cstdio>

#include "cli/preview_writer.h"
#include "jobs/job_controller.h"

namespace kw::cli {

int TextCommand::execute(const ParsedArgs& args) {
  RecoveryJobState job;
  ConsoleHost host(args.file, mode_);
  PreviewWriter writer(args.output.value_or(""), args.file);
  // An output that cannot be written, or that is the document itself, is
  // refused before the job reads anything.
  if (!writer.start()) return kExitCannotRead;
  host.setTextSink(&writer);  // long texts go out as they grow
  JobController controller(job, host);
  const Status status = controller.Timer1_Timer();
  if (!status.ok()) {
    std::fprintf(stderr, "kwrecover: %s\n", status.message().c_str());
    return kExitCannotRead;
  }
  writer.write(job.sRecoveredText);  // what the engine kept whole
  return writer.finish() ? kExitOk : kExitCannotRead;
}

}  // namespace kw::cli
