#include "docx/entry_text.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "docx/document_text.h"
#include "engine/yield_clock.h"
#include "images/byte_search.h"

namespace kw {

namespace {

// Writes all of `data` to the existing file at `path`; false on any failure.
bool WriteWorkingFile(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool ok = true;
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace

std::string RecoverEntryText(RecoveryJobState& job, std::string_view data, YieldClock* clock) {
  if (clock != nullptr) clock->now();
  std::string path = GetTempFile("sqx");
  // The working file is written beside the conversion: both only read `data`,
  // and a large entry's write costs as much as its conversion.
  bool written = false;
  std::thread writer;
  if (!path.empty()) writer = std::thread([&] { written = WriteWorkingFile(path, data); });
  job.sRecoveredText = DocumentXmlToText(data, clock);
  if (writer.joinable()) writer.join();
  if (!written) path.clear();
  return path;
}

}  // namespace kw
