#include "cli/console_host.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace kw::cli {

ConsoleHost::ConsoleHost(std::string path, Mode mode)
    : path_(std::move(path)), mode_(mode), terminal_(::isatty(STDERR_FILENO) == 1) {}

ConsoleHost::~ConsoleHost() { closeStatusWindow(); }

void ConsoleHost::yield() {
  if (terminal_) draw();
}

void ConsoleHost::draw() {
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

void ConsoleHost::showNotice(const std::string& text) {
  closeStatusWindow();
  std::fprintf(stderr, "kwrecover: %s\n", text.c_str());
}

void ConsoleHost::closeStatusWindow() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", 48, "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace kw::cli
