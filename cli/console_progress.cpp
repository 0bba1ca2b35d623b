// SPDX-License-Identifier: Apache-2.0
#include "cli/console_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace kw::cli {

ConsoleProgress::ConsoleProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}

ConsoleProgress::~ConsoleProgress() { close(); }

void ConsoleProgress::yield() {
  if (terminal_) draw();
}

void ConsoleProgress::draw() {
  const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(max_) - min_);
  const int64_t done = std::clamp<int64_t>(static_cast<int64_t>(value_) - min_, 0, span);
  const int percent = static_cast<int>(done * 100 / span);
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", kWidth - filled, "",
               percent);
  std::fflush(stderr);
  drawn_ = true;
}

void ConsoleProgress::printNotices(const std::vector<std::string>& notices) {
  for (const std::string& text : notices) {
    close();
    std::fprintf(stderr, "kwrecover: %s\n", text.c_str());
  }
}

void ConsoleProgress::close() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", 48, "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace kw::cli
