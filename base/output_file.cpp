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

#include "base/message_text.h"

namespace kw {

namespace {

// Renames `from` over `to`; without `replace`, fails with EEXIST when `to`
// exists, atomically.
int Rename(const std::string& from, const std::string& to, bool replace) {
#if defined(__EMSCRIPTEN__)
  // The browser build writes only into its own in-memory file system, where
  // nothing else can make `to` between the test and the rename.
  struct stat st {};
  if (!replace && ::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from.c_str(), to.c_str());
#else
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), replace ? 0 : RENAME_NOREPLACE);
#endif
}

// Files to remove when the process is stopped by a signal. A slot is free (0),
// being filled (1) or holds a path (2); the handler reads only the last kind.
constexpr int kSlots = 64;
struct PendingSlot {
  std::atomic<int> state{0};
  char path[PATH_MAX] = {};
};
std::array<PendingSlot, kSlots> pending;

// The signals after which the pending files are removed.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The folder part of `path` ("." for a bare name).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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
  std::string name = ".kwrecover-";
  for (const unsigned char b : bytes) name += kLetters[b % (sizeof kLetters - 1)];
  return name + ".tmp";
}

}  // namespace

Status CannotWrite(const std::string& path, const std::string& reason) {
  return Status::IOError("Cannot write " + Quoted(path) + ": " + reason + ".");
}

FileIdentity IdentityOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
  return {st.st_dev, st.st_ino, true};
}

Status RefuseSourceAsOutput(const FileIdentity& source, const std::string& sourcePath, const std::string& destination) {
  if (!(IdentityOf(destination) == source)) return Status::OK();
  return Status::Invalid("Not writing " + Quoted(destination) + ": it is the document being recovered, " +
                         Quoted(sourcePath) + ". Choose another name; the document was left as it was.");
}

Status RefuseSourceAsOutput(const std::string& sourcePath, const std::string& destination) {
  return RefuseSourceAsOutput(IdentityOf(sourcePath), sourcePath, destination);
}

int RegisterPendingFile(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!pending[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(pending[i].path, path.c_str(), path.size() + 1);
    pending[i].state.store(2);
    return i;
  }
  return -1;
}

void UnregisterPendingFile(int slot) {
  if (slot >= 0 && slot < kSlots) pending[slot].state.store(0);
}

void RemovePendingOutputs() {
  for (PendingSlot& slot : pending) {
    if (slot.state.load() == 2) ::unlink(slot.path);
  }
}

namespace {
extern "C" void RemoveAndRaise(int signal) {
  RemovePendingOutputs();
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}
}  // namespace

void InstallOutputCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveAndRaise;
  sigemptyset(&action.sa_mask);
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
  destination_ = destination;
  options_ = options;
  if (destination.empty()) return CannotWrite(destination, "no file name was given");
  if (!options_.source.known && !options_.sourcePath.empty()) options_.source = IdentityOf(options_.sourcePath);
  Status refused = RefuseSourceAsOutput(options_.source, options_.sourcePath, destination);
  if (!refused.ok()) return refused;

  target_ = destination;
  struct stat st {};
  const bool exists = ::lstat(destination.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode) && options_.link == Link::kFollow) {
    // Saving through a link updates the file it points to, as writing it in place would.
    if (char* real = ::realpath(destination.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }
  // A link that is itself replaced leaves whatever it points to alone.
  const bool replacingLink = exists && S_ISLNK(st.st_mode) && options_.link == Link::kReplace;
  struct stat targetSt {};
  const bool targetExists = !replacingLink && ::stat(target_.c_str(), &targetSt) == 0;
  if (targetExists && S_ISDIR(targetSt.st_mode)) return CannotWrite(destination, "it is a folder");
  if (exists && !options_.replaceExisting) return CannotWrite(destination, "it already exists");
  if (targetExists && !S_ISREG(targetSt.st_mode)) {
    // A device or a pipe (/dev/null, a FIFO) is written in place: it cannot be replaced.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return CannotWrite(destination, ErrnoText(errno));
    return Status::OK();
  }

  const std::string folder = FolderOf(target_);
  // The cleanup signals wait while the file is made and listed, so that a
  // signal never falls between the two.
  sigset_t cleanup, previous;
  sigemptyset(&cleanup);
  for (const int signal : kCleanupSignals) sigaddset(&cleanup, signal);
  ::pthread_sigmask(SIG_BLOCK, &cleanup, &previous);
  int error = 0;
  for (int attempt = 0; attempt < 100 && fd_ < 0 && error == 0; ++attempt) {
    temp_ = folder + "/" + RandomName();
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, options_.mode);
    if (fd_ < 0 && errno != EEXIST) error = errno;
  }
  if (fd_ >= 0) slot_ = RegisterPendingFile(temp_);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (fd_ < 0) {
    temp_.clear();
    return CannotWrite(destination, error != 0 ? ErrnoText(error) : "no free temporary name in its folder");
  }
  // A replaced file keeps its permissions.
  if (targetExists && S_ISREG(targetSt.st_mode)) ::fchmod(fd_, targetSt.st_mode & 07777);
  return Status::OK();
}

Status OutputFile::write(std::string_view bytes) {
  if (fd_ < 0) return CannotWrite(destination_, "it is not open");
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      abandon();
      return CannotWrite(destination_, ErrnoText(error));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::OK();
}

Status OutputFile::commit() {
  if (fd_ < 0) return CannotWrite(destination_, "it is not open");
  int error = 0;
  // EINVAL: a file system that cannot sync (a pipe-like or special one); the data is written.
  if (::fsync(fd_) != 0 && errno != EINVAL) error = errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) {
    abandon();
    return CannotWrite(destination_, ErrnoText(error));
  }
  // The name may have been pointed at the source while the file was written.
  Status refused = RefuseSourceAsOutput(options_.source, options_.sourcePath, target_);
  if (!refused.ok()) {
    abandon();
    return refused;
  }
  if (!temp_.empty() && Rename(temp_, target_, options_.replaceExisting) != 0) {
    error = errno;
    abandon();
    return CannotWrite(destination_, error == EEXIST ? "it already exists" : ErrnoText(error));
  }
  UnregisterPendingFile(slot_);
  slot_ = -1;
  temp_.clear();
  return Status::OK();
}

void OutputFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
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

}  // namespace kw
