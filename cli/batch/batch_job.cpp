// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_job.h"

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "base/message_text.h"
#include "base/source_file.h"
#include "base/text_preview.h"
#include "base/text_stats.h"
#include "cli/batch/batch_options.h"
#include "cli/batch/batch_output.h"
#include "formats/images/image_extraction.h"

namespace kw::cli {

namespace {

bool StartsWith(const uint8_t* head, int64_t got, std::string_view signature) {
  return got >= static_cast<int64_t>(signature.size()) && std::memcmp(head, signature.data(), signature.size()) == 0;
}

// Writes every picture it can; returns the first error.
Status WritePictures(const BatchSettings& settings, const BatchFile& file, const JobResult& result) {
  const std::string dir = PicturesOutputPath(settings, file);
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return CannotWrite(dir, ErrnoText(error.value()));
  Status first;
  for (const PictureRecord& picture : result.pictures) {
    const std::string name = picture.name + "." + picture.ext;
    // A name that could lead out of the folder is not used.
    if (picture.name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
      if (first.ok()) first = Status::Invalid("A picture named " + Quoted(picture.name) + " was not written.");
      continue;
    }
    const Status status = ExtractImage(file.path, result.source, picture, dir + "/" + name, settings.resume);
    if (!status.ok() && first.ok()) first = status;
  }
  return first;
}

}  // namespace

std::string TextOutputPath(const BatchSettings& settings, const BatchFile& file) {
  return settings.outDir + "/" + file.relative + ".txt";
}

std::string PicturesOutputPath(const BatchSettings& settings, const BatchFile& file) {
  return settings.outDir + "/" + file.relative + ".pictures";
}

std::string DetectedFormat(const std::string& path, const JobResult& result) {
  if (result.engine == EngineKind::kDocx) return "docx";
  uint8_t head[8] = {};
  int64_t got = 0;
  SourceFile source;
  if (SourceFile::Open(path, &source).ok()) got = source.readAt(1, head, sizeof head);
  if (StartsWith(head, got, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return "doc";
  if (StartsWith(head, got, "PK\x03\x04")) return "docx";
  if (StartsWith(head, got, "{\\rtf")) return "rtf";
  if (result.engine == EngineKind::kDeep) {
    // A header too damaged to tell: the readers that found something do.
    for (const Damage& d : result.damage.entries()) {
      if (d.reader == "zip" || d.reader == "inflate") return "docx";
      if (d.reader == "cfb") return "doc";
    }
  }
  return "other";
}

BatchOutcome RunBatchFile(const BatchFile& file, const BatchSettings& settings, BatchReport& report) {
  const auto start = std::chrono::steady_clock::now();
  BatchOutcome outcome;
  outcome.path = file.path;
  outcome.mode = BatchModeName(settings.mode);
  struct stat st {};
  if (::lstat(file.path.c_str(), &st) == 0) outcome.size = st.st_size;
  const auto finish = [&](const Status& status) {
    if (!status.ok()) outcome.error = status.message();
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return report.append(ReportLine(outcome));
  };

  JobProgress progress;  // nothing to show per file, and no cancel
  const JobResult result = RunJob({.path = file.path, .mode = settings.mode}, progress);
  outcome.format = DetectedFormat(file.path, result);
  outcome.pictures = static_cast<int64_t>(result.pictures.size());
  outcome.damageCount = static_cast<int64_t>(result.damage.entries().size()) + result.damage.omitted();
  outcome.damageSummary = DamageSummary(result.damage);
  if (!result.status.ok()) {
    finish(result.status);
    return outcome;
  }
  const std::string_view text = PreviewText(result.text);
  const TextStats stats = CountText(text);  // as the wizard's summary line counts
  outcome.characters = stats.characters;
  outcome.paragraphs = stats.paragraphs;

  const std::string textPath = TextOutputPath(settings, file);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(textPath).parent_path(), error);
  Status status = error ? CannotWrite(textPath, ErrnoText(error.value())) : Status::OK();
  if (status.ok() && settings.pictures && !result.pictures.empty()) {
    status = WritePictures(settings, file, result);
  }
  BatchTextFile out;
  if (status.ok()) status = out.write(textPath, text);
  if (!status.ok()) {
    finish(status);
    return outcome;
  }
  finish(Status::OK());
  status = out.commit();
  if (!status.ok()) finish(status);  // the later line counts
  return outcome;
}

}  // namespace kw::cli
