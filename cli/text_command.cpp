// SPDX-License-Identifier: Apache-2.0
#include "cli/text_command.h"

#include <cstdio>

#include "base/output_file.h"
#include "base/text_preview.h"
#include "cli/console_progress.h"
#include "cli/picture_files.h"
#include "cli/preview_writer.h"
#include "cli/report_file.h"
#include "formats/docx/zip/docx_writer.h"
#include "jobs/job.h"

namespace kw::cli {

int TextCommand::execute(const ParsedArgs& args) {
  const ReportFile report(args);
  if (!report.check()) return kExitCannotRead;
  // "-o NAME.docx" asks for a Word document, as the wizard's save does.
  if (args.output && NamesWordDocument(*args.output)) return writeWordDocument(args, report);
  PreviewWriter writer(args.output.value_or(""), args.file);
  // An output that cannot be written, or that is the document itself, is
  // refused before the job reads anything.
  if (!writer.start()) return kExitCannotRead;
  ConsoleProgress progress;
  // Long texts go out as they grow.
  const JobResult result = RunJob({.path = args.file, .mode = mode_, .textSink = &writer}, progress);
  progress.close();
  progress.printNotices(result.notices);
  if (!report.write(result.damage, result.status, mode_ == JobMode::kDeep ? &result.pictures : nullptr)) {
    return kExitCannotRead;
  }
  if (!result.status.ok()) return PrintError(result.status);
  writer.write(result.text);  // what the engine kept whole
  if (!writer.finish()) return kExitCannotRead;
  return args.picturesDir ? WritePictureFiles(*args.picturesDir, args.force, args.file, result) : kExitOk;
}

int TextCommand::writeWordDocument(const ParsedArgs& args, const ReportFile& report) {
  OutputFile out;
  OutputFile::Options options;
  options.sourcePath = args.file;
  Status status = out.open(*args.output, options);
  if (!status.ok()) return PrintError(status);
  ConsoleProgress progress;
  // No text sink: the package needs the whole text.
  const JobResult result = RunJob({.path = args.file, .mode = mode_}, progress);
  progress.close();
  progress.printNotices(result.notices);
  if (!report.write(result.damage, result.status, mode_ == JobMode::kDeep ? &result.pictures : nullptr)) {
    return kExitCannotRead;
  }
  if (!result.status.ok()) return PrintError(result.status);
  std::string package;
  status = DocxPackage(PreviewText(result.text), &package);
  if (status.ok()) status = out.write(package);
  if (status.ok()) status = out.commit();
  if (!status.ok()) return PrintError(status);
  return args.picturesDir ? WritePictureFiles(*args.picturesDir, args.force, args.file, result) : kExitOk;
}

}  // namespace kw::cli
