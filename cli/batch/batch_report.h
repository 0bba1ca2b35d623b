// SPDX-License-Identifier: Apache-2.0
#pragma once
// The report of a batch: OUTDIR/report.jsonl, one JSON object per line per
// file, appended as each file ends (any worker may write; lines never mix).
//
//   {"path": "...", "size": 12345, "format": "doc", "mode": "deep",
//    "status": "ok", "characters": 812, "paragraphs": 14, "pictures": 2,
//    "damage": {"count": 1, "summary": "zip at 1024: ..."}, "seconds": 0.004}
//
// A failed file has "status": "error" and "message"; a password-protected
// one "status": "encrypted" and the message saying so. Strings are JSON
// escaped; a path that is not UTF-8 has its bad bytes shown as U+FFFD and
// its exact bytes in "path_hex".
//
// Each line is written whole in one write. A line cut short (a full disk, a
// crash) is the last one in the file and is cut off when the next run opens
// the report, so that every run starts on a fresh line.

#include <cstdint>
#include <mutex>
#include <string>

#include "base/damage_report.h"
#include "base/status.h"

namespace kw::cli {

// What became of one file.
struct BatchOutcome {
  std::string path;
  int64_t size = 0;
  std::string format = "other";  // doc, docx, rtf, html or other
  std::string mode;
  std::string error;       // empty: ok
  bool encrypted = false;  // the error is that the file is password-protected
  int64_t characters = 0;
  int64_t paragraphs = 0;
  int64_t pictures = 0;
  int64_t damageCount = 0;
  std::string damageSummary;
  double seconds = 0;
};

// The report's line for `outcome`, newline included.
std::string ReportLine(const BatchOutcome& outcome);

// "reader at offset: reason" of the first entry, and how many more; empty
// when there was no damage.
std::string DamageSummary(const DamageReport& damage);

class BatchReport {
 public:
  BatchReport() = default;
  ~BatchReport();
  BatchReport(const BatchReport&) = delete;
  BatchReport& operator=(const BatchReport&) = delete;

  // Opens kReportName in the open folder `folder` (`shownPath` names the
  // report in messages) for appending, never through a link; `mustBeNew`: an
  // existing file is an error. A partial last line is cut off.
  Status open(int folder, const std::string& shownPath, bool mustBeNew);
  // Appends one line in one write. The first failure is kept and returned by
  // every later call.
  Status append(const std::string& line);
  // OK, or the first failure to write.
  Status status();

 private:
  std::mutex mutex_;
  int fd_ = -1;
  std::string path_;
  Status error_;
};

}  // namespace kw::cli
