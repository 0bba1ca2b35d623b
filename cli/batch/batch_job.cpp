// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <utility>

#include "base/message_text.h"
#include "base/output_file.h"
#include "base/text_preview.h"
#include "base/text_stats.h"
#include "cli/batch/batch_names.h"
#include "cli/batch/batch_options.h"
#include "cli/picture_files.h"
#include "formats/images/image_extraction.h"
#include "jobs/job_modes.h"

namespace kw::cli {

namespace {

// A name inside OUTDIR as its folder and its last part.
std::pair<std::string, std::string> Split(const std::string& name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string::npos) return {"", name};
  return {name.substr(0, slash), name.substr(slash + 1)};
}

// Whether the file's text is there and complete (a regular file, not
// empty). An empty one, which a system crash may leave, is removed to be
// done again; anything else in its place is left for the write to refuse.
bool TextComplete(const BatchOutDir& outDir, const BatchFile& file) {
  const auto [folderName, leaf] = Split(TextName(file));
  UniqueFd folder;
  if (!outDir.openFolder(folderName, false, &folder).ok()) return false;
  struct stat st {};
  if (::fstatat(folder.get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size > 0) return true;
  ::unlinkat(folder.get(), leaf.c_str(), 0);
  return false;
}

// Writes every picture it can; returns the first error.
Status WritePictures(const BatchOutDir& outDir, const BatchSettings& settings, const BatchFile& file,
                     const JobResult& result) {
  const std::string name = PicturesName(file);
  UniqueFd folder;
  Status first = outDir.openFolder(name, true, &folder);
  if (!first.ok()) return first;
  for (const PictureRecord& picture : result.pictures) {
    const std::string leaf = PictureFileName(picture);
    if (leaf.empty()) {
      if (first.ok()) first = Status::Invalid("A picture named " + Quoted(picture.name) + " was not written.");
      continue;
    }
    const Status status = ExtractImageAt(folder.get(), outDir.path() + "/" + name, leaf, file.path, result.source,
                                         picture, settings.resume);
    if (!status.ok() && first.ok()) first = status;
  }
  return first;
}

}  // namespace

std::optional<BatchOutcome> RunBatchFile(const BatchFile& file, const BatchSettings& settings,
                                         const BatchOutDir& outDir, BatchReport& report) {
  if (settings.resume && TextComplete(outDir, file)) return std::nullopt;
  const auto start = std::chrono::steady_clock::now();
  BatchOutcome outcome;
  outcome.path = file.path;
  outcome.mode = ModeEntryOf(settings.mode).word;
  struct stat st {};
  if (::lstat(file.path.c_str(), &st) == 0) outcome.size = st.st_size;
  const auto finish = [&](const Status& status) {
    if (!status.ok()) outcome.error = status.message();
    outcome.encrypted = status.isEncrypted();
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return report.append(ReportLine(outcome));
  };

  JobProgress progress;  // nothing to show per file, and no cancel
  const JobResult result = RunJob({.path = file.path, .mode = settings.mode}, progress);
  outcome.format = SourceFormatName(result.format);
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

  const auto [folderName, leaf] = Split(TextName(file));
  UniqueFd folder;
  Status status = outDir.openFolder(folderName, true, &folder);
  if (status.ok() && settings.pictures && !result.pictures.empty()) {
    status = WritePictures(outDir, settings, file, result);
  }
  OutputFile out;
  OutputFile::Options options;
  options.link = OutputFile::Link::kRefuse;
  options.replaceExisting = false;
  options.sync = false;  // the whole batch is flushed once, at the end
  options.folder = folder.get();
  options.folderPath = folderName.empty() ? outDir.path() : outDir.path() + "/" + folderName;
  if (status.ok()) status = out.open(leaf, options);
  if (status.ok()) status = out.write(text);
  if (!status.ok()) {
    finish(status);
    return outcome;
  }
  status = finish(Status::OK());
  if (!status.ok()) {
    outcome.error = status.message();  // the report failed: the text goes, to be done again
    return outcome;
  }
  status = out.commit();
  if (!status.ok()) finish(status);  // the later line counts
  return outcome;
}

}  // namespace kw::cli
