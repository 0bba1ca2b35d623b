// SPDX-License-Identifier: Apache-2.0
#include "ui/preview_copies.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "base/output_file.h"
#include "formats/images/image_extraction.h"

namespace kw::ui {

namespace {

constexpr char kFolderPrefix[] = "kwrecover-gui-";
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The process's folder. Written once, before any handler can run; read by
// the signal handler, which therefore touches only these plain values.
char gFolder[PATH_MAX] = {};
int gFolderFd = -1;
std::atomic<unsigned> gNextSerial{0};
struct sigaction gPrevious[sizeof kSignals / sizeof kSignals[0]];

std::string TempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
  std::error_code error;
  if (dir.front() != '/') dir = std::filesystem::absolute(dir, error).string();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return error ? std::string() : dir;
}

// "sqm" N ".tmp" into `out` (at least 24 bytes), without the C library's
// formatting, which a signal handler may not use.
void CopyName(unsigned serial, char* out) {
  char digits[16];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + serial % 10);
    serial /= 10;
  } while (serial != 0);
  std::memcpy(out, "sqm", 3);
  for (int i = 0; i < n; ++i) out[3 + i] = digits[n - 1 - i];
  std::memcpy(out + 3 + n, ".tmp", 5);
}

// Removes every copy and the folder; safe in a signal handler.
void RemoveFolderNow() {
  if (gFolderFd < 0) return;
  RemovePendingOutputs();  // a copy still being written
  char name[32];
  const unsigned end = gNextSerial.load();
  for (unsigned serial = 0; serial < end; ++serial) {
    CopyName(serial, name);
    ::unlinkat(gFolderFd, name, 0);
  }
  ::rmdir(gFolder);
}

extern "C" void RemoveAndPassOn(int signal) {
  // A picture's copy may be being made on another thread (the thumbnails'):
  // it is made and listed before the folder is emptied, or never.
  StopCreatingOutputs();
  RemoveFolderNow();
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    if (kSignals[i] != signal) continue;
    ::sigaction(signal, &gPrevious[i], nullptr);
    ::raise(signal);  // runs the handler that was there before, or ends the process
  }
}

struct FolderOwner {
  FolderOwner() {
    const std::string temp = TempFolder();
    if (temp.empty()) return;
    const std::string folder = temp + "/" + kFolderPrefix + std::to_string(::getpid());
    if (folder.size() >= sizeof gFolder) return;
    // One left by an earlier process of the same number.
    std::error_code error;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()) {
      std::filesystem::remove_all(folder, error);
    }
    if (::mkdir(folder.c_str(), 0700) != 0) return;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    std::memcpy(gFolder, folder.c_str(), folder.size() + 1);
    gFolderFd = fd;
    struct sigaction action {};
    action.sa_handler = RemoveAndPassOn;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
      ::sigaction(kSignals[i], nullptr, &gPrevious[i]);
      if (gPrevious[i].sa_handler == SIG_IGN) continue;  // the caller chose to ignore it
      ::sigaction(kSignals[i], &action, nullptr);
    }
  }
  ~FolderOwner() {
    RemoveFolderNow();
    // What the signal handler cannot know of: any other file left inside.
    std::error_code error;
    if (gFolderFd >= 0) std::filesystem::remove_all(gFolder, error);
  }
};

// Made at the first copy, removed when the process ends.
const FolderOwner& Owner() {
  static FolderOwner owner;
  return owner;
}

}  // namespace

std::string PreviewCopies::Folder() {
  Owner();
  return gFolderFd >= 0 ? std::string(gFolder) : std::string();
}

std::string PreviewCopies::ScratchPath() {
  const std::string folder = Folder();
  if (folder.empty()) return {};
  char name[32];
  CopyName(gNextSerial.fetch_add(1), name);
  return folder + "/" + name;
}

Status PreviewCopies::copyOf(size_t index, const PictureRecord& picture, const std::string& sourcePath,
                             const FileIdentity& source, std::string* path) {
  if (const auto found = copies_.find(index); found != copies_.end() && ::access(found->second.c_str(), F_OK) == 0) {
    *path = found->second;
    return Status::OK();
  }
  const std::string target = ScratchPath();
  if (target.empty()) return Status::IOError("No temporary folder could be made for the picture's copy.");
  const Status status = ExtractImage(sourcePath, source, picture, target, /*overwrite=*/false);
  if (!status.ok()) return status;
  copies_[index] = target;
  *path = target;
  return Status::OK();
}

void PreviewCopies::clear() {
  for (const auto& [index, path] : copies_) ::unlink(path.c_str());
  copies_.clear();
}

void PreviewCopies::RemoveLeftovers() {
  const std::string temp = TempFolder();
  std::vector<std::filesystem::path> gone;
  std::error_code error;
  std::filesystem::directory_iterator it(temp, error), end;
  for (; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(kFolderPrefix, 0) != 0) continue;
    char* rest = nullptr;
    const long pid = std::strtol(name.c_str() + sizeof kFolderPrefix - 1, &rest, 10);
    if (pid <= 0 || rest == nullptr || *rest != '\0') continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
    // Its process still runs (or the number is another's now): left alone.
    if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    gone.push_back(it->path());
  }
  for (const std::filesystem::path& folder : gone) std::filesystem::remove_all(folder, error);
}

}  // namespace kw::ui
