// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/message_text.h"
#include "base/output_file.h"
#include "cli/batch/batch_names.h"
#include "cli/batch/batch_output.h"

namespace kw::cli {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out += kDigits[static_cast<unsigned char>(c) >> 4];
    out += kDigits[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

// The length of the file up to its last line end (0 when it has none); -1
// when it cannot be read.
off_t LastLineEnd(int fd) {
  char block[4096];
  for (off_t end = ::lseek(fd, 0, SEEK_END); end > 0;) {
    const off_t start = end > off_t(sizeof block) ? end - off_t(sizeof block) : 0;
    const ssize_t want = end - start;
    ssize_t n = 0;
    do {
      n = ::pread(fd, block, size_t(want), start);
    } while (n < 0 && errno == EINTR);
    if (n != want) return -1;
    for (ssize_t i = n; i > 0; --i) {
      if (block[i - 1] == '\n') return start + i;
    }
    end = start;
  }
  return 0;
}

}  // namespace

std::string DamageSummary(const DamageReport& damage) {
  if (damage.empty()) return {};
  const Damage& first = damage.entries().front();
  std::string summary = first.reader + " at " + std::to_string(first.offset) + ": " + first.reason;
  const int64_t more = static_cast<int64_t>(damage.entries().size()) - 1 + damage.omitted();
  if (more > 0) summary += " (and " + std::to_string(more) + " more)";
  return summary;
}

std::string ReportLine(const BatchOutcome& o) {
  const std::string path = JsonString(o.path);
  std::string line = "{\"path\": " + path;
  // JsonString shows bad bytes as U+FFFD; the exact name goes alongside.
  if (path.find(kReplacement) != std::string::npos && o.path.find(kReplacement) == std::string::npos) {
    line += ", \"path_hex\": \"" + Hex(o.path) + "\"";
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", o.seconds);
  line += ", \"size\": " + std::to_string(o.size) + ", \"format\": " + JsonString(o.format) +
          ", \"mode\": " + JsonString(o.mode) + ", \"status\": " +
          (o.error.empty() ? "\"ok\""
           : o.encrypted   ? "\"encrypted\""
                           : "\"error\"");
  if (!o.error.empty()) line += ", \"message\": " + JsonString(o.error);
  line += ", \"characters\": " + std::to_string(o.characters) + ", \"paragraphs\": " + std::to_string(o.paragraphs) +
          ", \"pictures\": " + std::to_string(o.pictures) +
          ", \"damage\": {\"count\": " + std::to_string(o.damageCount) +
          ", \"summary\": " + JsonString(o.damageSummary) + "}, \"seconds\": " + seconds + "}\n";
  return line;
}

BatchReport::~BatchReport() {
  if (fd_ >= 0) ::close(fd_);
}

Status BatchReport::open(int folder, const std::string& shownPath, bool mustBeNew) {
  path_ = shownPath;
  const int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (mustBeNew ? O_EXCL : 0);
  fd_ = ::openat(folder, kReportName, flags, 0666);
  if (fd_ < 0) return CannotWrite(path_, OpenErrorText(errno));
  const off_t end = LastLineEnd(fd_);
  if (end < 0 || (end < ::lseek(fd_, 0, SEEK_END) && ::ftruncate(fd_, end) != 0)) {
    return CannotWrite(path_, ErrnoText(errno));
  }
  return Status::OK();
}

Status BatchReport::append(const std::string& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!error_.ok()) return error_;
  // O_APPEND puts each write at the end; a short write is continued there.
  for (size_t done = 0; done < line.size();) {
    const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = CannotWrite(path_, n < 0 ? ErrnoText(errno) : "nothing was written");
      return error_;
    }
    done += static_cast<size_t>(n);
  }
  return Status::OK();
}

Status BatchReport::status() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

}  // namespace kw::cli
