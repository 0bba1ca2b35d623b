// SPDX-License-Identifier: Apache-2.0
#include "base/output_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/message_text.h"

namespace kw {

namespace {

// Renames `from` over `to`, both in `folder`; without `replace`, fails with
// EEXIST when `to` exists, atomically.
int RenameAt(int folder, const char* from, const char* to, bool replace) {
#if defined(__EMSCRIPTEN__)
  // The browser build writes only into its own in-memory file system, where
  // nothing else can make `to` between the test and the rename.
  struct stat st {};
  if (!replace && ::fstatat(folder, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::renameat(folder, from, folder, to);
#else
  return ::renameat2(folder, from, folder, to, replace ? 0 : RENAME_NOREPLACE);
#endif
}

// Files to remove when the process is stopped by a signal. A slot is free (0),
// being filled (1) or holds a path in its folder (2); the handler reads only
// the last kind.
constexpr int kSlots = 64;
struct PendingSlot {
  std::atomic<int> state{0};
  int folder = AT_FDCWD;
  char path[PATH_MAX] = {};
};
std::array<PendingSlot, kSlots> pending;

// Temporary files being created and listed now, on any thread; and whether
// a cleanup handler has begun (after which none is created).
std::atomic<int> creating{0};
std::atomic<bool> stopping{false};

// The signals after which the pending files are removed.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

constexpr std::string_view kTempPrefix = ".kwrecover-";
constexpr std::string_view kTempSuffix = ".tmp";

// The folder part of `path` ("." for a bare name).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int Register(int folder, const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!pending[i].state.compare_exchange_strong(expected, 1)) continue;
    pending[i].folder = folder;
    std::memcpy(pending[i].path, path.c_str(), path.size() + 1);
    pending[i].state.store(2);
    return i;
  }
  return -1;
}

// Creates `path` in `folder` exclusively and lists it in *slot, so that a
// cleanup signal finds it listed or comes before it exists, on whatever
// thread it lands. The signals wait in this thread meanwhile; a handler
// running on another waits for this (see RemoveAndRaise).
int CreateListed(int folder, const std::string& path, mode_t mode, int* slot) {
  sigset_t cleanup, previous;
  sigemptyset(&cleanup);
  for (const int signal : kCleanupSignals) sigaddset(&cleanup, signal);
  ::pthread_sigmask(SIG_BLOCK, &cleanup, &previous);
  creating.fetch_add(1);
  if (stopping.load()) {
    // The process is being ended by a signal: nothing more is created.
    creating.fetch_sub(1);
    for (;;) ::pause();
  }
  const int fd = ::openat(folder, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  const int error = errno;
  if (fd >= 0) *slot = Register(folder, path);
  creating.fetch_sub(1);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return fd;
}

// Waits (at most two seconds) until no thread is creating a temporary file.
void WaitForCreations() {
  timespec start{}, now{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  while (creating.load() != 0) {
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec - start.tv_sec >= 2) return;
  }
}

std::string RandomName() {
  static const char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  unsigned char bytes[16];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) std::abort();  // no randomness: never fall back to a guessable name
    got += static_cast<size_t>(n);
  }
  std::string name(kTempPrefix);
  for (const unsigned char b : bytes) name += kLetters[b % (sizeof kLetters - 1)];
  return name.append(kTempSuffix);
}

}  // namespace

Status CannotWrite(const std::string& path, const std::string& reason) {
  return Status::IOError("Cannot write " + Quoted(path) + ": " + reason + ".");
}

namespace {

// The identity of `path` in `folder` now, following links.
FileIdentity IdentityAt(int folder, const std::string& path) {
  struct stat st {};
  if (path.empty() || ::fstatat(folder, path.c_str(), &st, 0) != 0) return {};
  return {st.st_dev, st.st_ino, true};
}

// The refusal of `path` in `folder` (shown as `shown`) when it is the source.
Status RefuseSourceAt(const FileIdentity& source, const std::string& sourcePath, int folder, const std::string& path,
                      const std::string& shown) {
  if (!(IdentityAt(folder, path) == source)) return Status::OK();
  return Status::Invalid("Not writing " + Quoted(shown) + ": it is the document being recovered, " +
                         Quoted(sourcePath) + ". Choose another name; the document was left as it was.");
}

}  // namespace

FileIdentity IdentityOf(const std::string& path) { return IdentityAt(AT_FDCWD, path); }

Status RefuseSourceAsOutput(const FileIdentity& source, const std::string& sourcePath, const std::string& destination) {
  return RefuseSourceAt(source, sourcePath, AT_FDCWD, destination, destination);
}

Status RefuseSourceAsOutput(const std::string& sourcePath, const std::string& destination) {
  return RefuseSourceAsOutput(IdentityOf(sourcePath), sourcePath, destination);
}

int RegisterPendingFile(const std::string& path) { return Register(AT_FDCWD, path); }

void UnregisterPendingFile(int slot) {
  if (slot >= 0 && slot < kSlots) pending[slot].state.store(0);
}

void RemovePendingOutputs() {
  for (PendingSlot& slot : pending) {
    if (slot.state.load() == 2) ::unlinkat(slot.folder, slot.path, 0);
  }
}

void StopCreatingOutputs() {
  stopping.store(true);
  WaitForCreations();
}

namespace {
extern "C" void RemoveAndRaise(int signal) {
  StopCreatingOutputs();
  RemovePendingOutputs();
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}
}  // namespace

void InstallOutputCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveAndRaise;
  sigemptyset(&action.sa_mask);
  for (const int signal : kCleanupSignals) sigaddset(&action.sa_mask, signal);
  for (const int signal : kCleanupSignals) {
    struct sigaction old {};
    // A signal the caller chose to ignore stays ignored.
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

OutputFile::~OutputFile() { abandon(); }

Status OutputFile::open(const std::string& destination, const Options& options) {
  abandon();
  options_ = options;
  const int folder = options_.folder;
  if (folder != AT_FDCWD) options_.link = Link::kRefuse;
  shown_ = folder == AT_FDCWD || options_.folderPath.empty() ? destination : options_.folderPath + "/" + destination;
  if (destination.empty()) return CannotWrite(shown_, "no file name was given");
  if (!options_.source.known && !options_.sourcePath.empty()) options_.source = IdentityOf(options_.sourcePath);
  Status refused = RefuseSourceAt(options_.source, options_.sourcePath, folder, destination, shown_);
  if (!refused.ok()) return refused;

  target_ = destination;
  struct stat st {};
  const bool exists = ::fstatat(folder, destination.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  const bool link = exists && S_ISLNK(st.st_mode);
  if (link && options_.link == Link::kRefuse) {
    return CannotWrite(shown_, "it is a symbolic link, which is left as it is");
  }
  if (link) {
    // Saving through a link updates the file it points to, as writing it in place would.
    if (char* real = ::realpath(destination.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }
  struct stat targetSt {};
  const bool targetExists = ::fstatat(folder, target_.c_str(), &targetSt, 0) == 0;
  if (targetExists && S_ISDIR(targetSt.st_mode)) return CannotWrite(shown_, "it is a folder");
  if (exists && !options_.replaceExisting) return CannotWrite(shown_, "it already exists");
  if (targetExists && !S_ISREG(targetSt.st_mode)) {
    if (options_.link == Link::kRefuse) return CannotWrite(shown_, "it is not a regular file");
    // A device or a pipe (/dev/null, a FIFO) is written in place: it cannot be replaced.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return CannotWrite(shown_, ErrnoText(errno));
    return Status::OK();
  }

  const size_t slash = target_.find_last_of('/');
  const std::string prefix = slash == std::string::npos ? "" : FolderOf(target_) + "/";
  int error = 0;
  for (int attempt = 0; attempt < 100 && fd_ < 0 && error == 0; ++attempt) {
    temp_ = prefix + RandomName();
    fd_ = CreateListed(folder, temp_, options_.mode, &slot_);
    if (fd_ < 0 && errno != EEXIST) error = errno;
  }
  if (fd_ < 0) {
    temp_.clear();
    return CannotWrite(shown_, error != 0 ? ErrnoText(error) : "no free temporary name in its folder");
  }
  // A replaced file keeps its permissions.
  if (targetExists && S_ISREG(targetSt.st_mode)) ::fchmod(fd_, targetSt.st_mode & 07777);
  return Status::OK();
}

Status OutputFile::write(std::string_view bytes) {
  if (fd_ < 0) return CannotWrite(shown_, "it is not open");
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      abandon();
      return CannotWrite(shown_, ErrnoText(error));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::OK();
}

Status OutputFile::commit() {
  if (fd_ < 0) return CannotWrite(shown_, "it is not open");
  int error = 0;
  // EINVAL: a file system that cannot sync (a pipe-like or special one); the data is written.
  if (options_.sync && ::fsync(fd_) != 0 && errno != EINVAL) error = errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) {
    abandon();
    return CannotWrite(shown_, ErrnoText(error));
  }
  if (temp_.empty()) return Status::OK();  // written in place
  // The name may have been pointed at the source while the file was written.
  Status refused = RefuseSourceAt(options_.source, options_.sourcePath, options_.folder, target_, shown_);
  if (!refused.ok()) {
    abandon();
    return refused;
  }
  const int folder = options_.folder;
  bool linked = false;
  int result = RenameAt(folder, temp_.c_str(), target_.c_str(), options_.replaceExisting);
  if (result != 0 && errno == EINVAL && !options_.replaceExisting) {
    // A file system without RENAME_NOREPLACE: a link is refused just the same by an existing name.
    result = ::linkat(folder, temp_.c_str(), folder, target_.c_str(), 0);
    linked = result == 0;
  }
  if (result != 0) {
    error = errno;
    abandon();
    return CannotWrite(shown_, error == EEXIST ? "it already exists" : ErrnoText(error));
  }
  if (linked) {
    abandon();  // the temporary name goes; the file stays under its own
    return Status::OK();
  }
  UnregisterPendingFile(slot_);
  slot_ = -1;
  temp_.clear();
  return Status::OK();
}

void OutputFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlinkat(options_.folder, temp_.c_str(), 0);
  UnregisterPendingFile(slot_);
  slot_ = -1;
  temp_.clear();
}

Status WriteOutputFile(const std::string& destination, std::string_view bytes, const OutputFile::Options& options) {
  // Nothing here allocates more than a path; `bytes` is the caller's.
  OutputFile file;
  Status status = file.open(destination, options);
  if (status.ok()) status = file.write(bytes);
  if (status.ok()) status = file.commit();
  return status;
}

bool IsOutputTempName(std::string_view name) {
  return name.size() > kTempPrefix.size() + kTempSuffix.size() && name.substr(0, kTempPrefix.size()) == kTempPrefix &&
         name.substr(name.size() - kTempSuffix.size()) == kTempSuffix;
}

bool SyncFileSystem(int folder) { return ::syncfs(folder) == 0; }

}  // namespace kw
