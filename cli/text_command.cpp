#include "cli/text_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/output_file.h"
#include "base/text_preview.h"
#include "cli/preview_writer.h"
#include "cli/report_file.h"
#include "formats/docx/docx_writer.h"
#include "jobs/job_controller.h"

namespace kw::cli {

namespace {

// "-o NAME.docx" (any case) asks for a Word document, as the wizard's save does.
bool NamesWordDocument(const std::string& path) {
  static const std::string kSuffix = ".docx";
  return path.size() >= kSuffix.size() &&
         std::equal(kSuffix.rbegin(), kSuffix.rend(), path.rbegin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

int TextCommand::execute(const ParsedArgs& args) {
  const ReportFile report(args);
  if (!report.check()) return kExitCannotRead;
  if (args.output && NamesWordDocument(*args.output)) return writeWordDocument(args, report);
  RecoveryJobState job;
  ConsoleHost host(args.file, mode_);
  PreviewWriter writer(args.output.value_or(""), args.file);
  // An output that cannot be written, or that is the document itself, is
  // refused before the job reads anything.
  if (!writer.start()) return kExitCannotRead;
  host.setTextSink(&writer);  // long texts go out as they grow
  JobController controller(job, host);
  const Status status = controller.Timer1_Timer();
  if (!report.write(host.damage(), status)) return kExitCannotRead;
  if (!status.ok()) return PrintError(status);
  writer.write(job.sRecoveredText);  // what the engine kept whole
  return writer.finish() ? kExitOk : kExitCannotRead;
}

int TextCommand::writeWordDocument(const ParsedArgs& args, const ReportFile& report) {
  OutputFile out;
  OutputFile::Options options;
  options.sourcePath = args.file;
  Status status = out.open(*args.output, options);
  if (!status.ok()) return PrintError(status);
  RecoveryJobState job;
  ConsoleHost host(args.file, mode_);  // no text sink: the package needs the whole text
  JobController controller(job, host);
  status = controller.Timer1_Timer();
  if (!report.write(host.damage(), status)) return kExitCannotRead;
  if (!status.ok()) return PrintError(status);
  std::string package;
  status = DocxPackage(PreviewText(job.sRecoveredText), &package);
  if (status.ok()) status = out.write(package);
  if (status.ok()) status = out.commit();
  return status.ok() ? kExitOk : PrintError(status);
}

}  // namespace kw::cli
