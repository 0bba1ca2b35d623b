// SPDX-License-Identifier: Apache-2.0
#include "cli/report_file.h"

#include "base/output_file.h"
#include "cli/command.h"

namespace kw::cli {

bool ReportFile::check() const {
  if (!args_.report) return true;
  const Status refused = RefuseSourceAsOutput(args_.file, *args_.report);
  if (refused.ok()) return true;
  PrintError(refused);
  return false;
}

bool ReportFile::write(const DamageReport& damage, const Status& jobStatus,
                       const std::vector<PictureRecord>* pictures) const {
  if (!args_.report) return true;
  OutputFile::Options options;
  options.sourcePath = args_.file;
  const std::string json = damage.ToJson(args_.file, args_.command, jobStatus, pictures);
  const Status status = WriteOutputFile(*args_.report, json, options);
  if (status.ok()) return true;
  PrintError(status);
  return false;
}

}  // namespace kw::cli
