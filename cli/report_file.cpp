#include "cli/report_file.h"

#include <cstdio>

#include "base/output_file.h"

namespace kw::cli {

namespace {
bool Fail(const Status& status) {
  std::fprintf(stderr, "kwrecover: %s\n", status.message().c_str());
  return false;
}
}  // namespace

bool ReportFile::check() const {
  if (!args_.report) return true;
  const Status refused = RefuseSourceAsOutput(args_.file, *args_.report);
  return refused.ok() || Fail(refused);
}

bool ReportFile::write(const DamageReport& damage, const Status& jobStatus) const {
  if (!args_.report) return true;
  OutputFile::Options options;
  options.sourcePath = args_.file;
  const std::string json = damage.ToJson(args_.file, args_.command, jobStatus.ok() ? "" : jobStatus.message());
  const Status status = WriteOutputFile(*args_.report, json, options);
  return status.ok() || Fail(status);
}

}  // namespace kw::cli
