// SPDX-License-Identifier: Apache-2.0
#pragma once
// quick / salvage: runs one text job exactly as the wizard would with that
// mode checked (a path containing ".docx" runs .docx recovery) and writes the
// text the preview would show: the job's text without leading and trailing
// spaces, UTF-8, CR LF kept. With "-o NAME.docx" the same text becomes a
// Word document, one paragraph per line, as the wizard saves it. deep runs
// Deep Recovery and, with --pictures DIR, writes the pictures it found there.

#include "cli/command.h"
#include "cli/report_file.h"
#include "jobs/job.h"

namespace kw::cli {

class TextCommand : public Command {
 public:
  explicit TextCommand(JobMode mode) : mode_(mode) {}
  int execute(const ParsedArgs& args) override;

 private:
  int writeWordDocument(const ParsedArgs& args, const ReportFile& report);

  JobMode mode_;
};

}  // namespace kw::cli
