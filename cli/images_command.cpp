#include "cli/images_command.h"

#include <cstdio>
#include <filesystem>

#include "base/message_text.h"
#include "cli/console_host.h"
#include "cli/report_file.h"
#include "formats/images/image_extraction.h"
#include "formats/images/image_table.h"
#include "jobs/job_controller.h"

namespace kw::cli {

namespace {

// A picture's file name inside the extraction folder, or empty when the
// entry's name could lead out of it.
std::string PictureFileName(const ImageEntry& entry) {
  const std::string name = entry.ImgName + "." + entry.ImgExt;
  if (entry.ImgName.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
    return {};
  }
  return name;
}

// Writes every listed picture into `dir`, from the file that was scanned.
// Every picture is tried; when any was not written, a summary on stderr says
// how many were and the exit status is kExitCannotRead.
int ExtractAll(const ParsedArgs& args, ConsoleHost& host, const FileIdentity& scanned) {
  const std::string& dir = *args.extractDir;
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!std::filesystem::is_directory(dir)) {
    const std::string reason = error ? error.message() : "it is not a folder";
    std::fprintf(stderr, "kwrecover: Cannot write into %s: %s.\n", Quoted(dir).c_str(), reason.c_str());
    return kExitCannotRead;
  }
  size_t written = 0;
  for (const std::string& text : host.entries()) {
    ImageEntry entry;
    const std::string name = ParseImageEntry(text, &entry) ? PictureFileName(entry) : std::string();
    if (name.empty()) {
      std::fprintf(stderr, "kwrecover: skipped %s: not a picture entry.\n", Quoted(text).c_str());
      continue;
    }
    const Status status =
        ExtractImage(args.file, entry.sMark, entry.eMark, dir + "/" + name, args.force, nullptr, scanned);
    if (status.ok()) {
      ++written;
      continue;
    }
    std::fprintf(stderr, "kwrecover: %s: %s%s\n", Escaped(name).c_str(), status.message().c_str(),
                 status.message().find("Not overwriting") == 0 ? " Use --force to overwrite." : "");
  }
  const size_t listed = host.entries().size();
  if (written == listed) return kExitOk;
  std::fprintf(stderr, "kwrecover: wrote %zu of %zu pictures into %s.\n", written, listed, Quoted(dir).c_str());
  return kExitCannotRead;
}

}  // namespace

int ImagesCommand::execute(const ParsedArgs& args) {
  const ReportFile report(args);
  if (!report.check()) return kExitCannotRead;
  RecoveryJobState job;
  ConsoleHost host(args.file, Mode::kImages);
  JobController controller(job, host);
  const Status status = controller.Timer1_Timer();
  if (!report.write(host.damage(), status)) return kExitCannotRead;
  if (!status.ok()) {
    return PrintError(status);
  }
  std::string listing;
  for (const std::string& entry : host.entries()) listing += entry + "\n";
  listing += host.foundLabel() + "\n";
  if (!WriteStandardOutput(listing)) return kExitCannotRead;
  if (!args.extractDir) return kExitOk;
  return ExtractAll(args, host, job.sourceIdentity);
}

}  // namespace kw::cli
