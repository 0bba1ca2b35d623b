// SPDX-License-Identifier: Apache-2.0
#pragma once
// ConsoleProgress: a job's progress on a terminal.
//
// The progress bar is drawn on stderr when stderr is a terminal, and not at
// all otherwise; it is wiped before anything else is written there.

#include <cstdint>
#include <string>
#include <vector>

#include "base/job_progress.h"

namespace kw::cli {

class ConsoleProgress : public JobProgress {
 public:
  ConsoleProgress();
  ~ConsoleProgress() override;

  void setProgressMin(int32_t value) override { min_ = value; }
  void setProgressMax(int32_t value) override { max_ = value; }
  void setProgressValue(int32_t value) override { value_ = value; }
  void yield() override;

  // Wipes the bar, if drawn.
  void close();
  // Prints each notice on stderr, one line each.
  void printNotices(const std::vector<std::string>& notices);

 private:
  void draw();

  bool terminal_;
  bool drawn_ = false;
  int32_t min_ = 0, max_ = 100, value_ = 0;
};

}  // namespace kw::cli
