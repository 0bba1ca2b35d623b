// SPDX-License-Identifier: Apache-2.0
#pragma once
// OutputFile: writes a file the user names without ever leaving it half
// written, and never onto the document being recovered.
//
// The bytes go to a new temporary file in the destination's folder, created
// exclusively, without following links, under a random hidden name nobody
// can predict (".kwrecover-*.tmp"). commit() flushes it to disk and renames
// it over the destination in one step; until then an existing destination
// keeps its old content. A file that is abandoned (an error, destruction
// without commit, a signal once InstallOutputCleanup() ran) is removed.
//
// A destination that is the source document itself (same device and inode,
// links resolved; a hard link counts) is refused before anything is created,
// and again at commit in case the name changed meanwhile.

#include <fcntl.h>
#include <sys/types.h>

#include <string>
#include <string_view>

#include "base/status.h"

namespace kw {

// Which file a path names: its device and inode (links followed).
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool known = false;  // false: the path named no file when it was looked at

  bool operator==(const FileIdentity& other) const {
    return known && other.known && device == other.device && inode == other.inode;
  }
};

// The identity of the file at `path` now, following links.
FileIdentity IdentityOf(const std::string& path);

// Refuses, with a message naming both, when `destination` is the same file as
// the source (given by path, or by the identity it had when it was read).
Status RefuseSourceAsOutput(const std::string& sourcePath, const std::string& destination);
Status RefuseSourceAsOutput(const FileIdentity& source, const std::string& sourcePath, const std::string& destination);

class OutputFile {
 public:
  enum class Link {
    kFollow,  // a destination that is a link to a file: the link's target is replaced (-o, saves)
    kRefuse,  // a destination that is a link is refused and left as it is (pictures, batch texts)
  };
  struct Options {
    Link link = Link::kFollow;
    mode_t mode = 0666;  // of a new file, before the umask; a replaced file keeps its own
    // False: an existing destination is never replaced, even one that appears
    // while the file is written (commit then fails with "it already exists").
    bool replaceExisting = true;
    // False: commit() does not flush the file to disk; the caller syncs many
    // outputs at once (a batch, SyncFileSystem).
    bool sync = true;
    // An open folder that `destination` is named in (as openat() takes it),
    // open until the file is committed or abandoned. A batch opens its
    // folders one by one without following links and names each file in its
    // own folder, so that nothing above it is looked up again. Links are
    // then never followed (Link::kRefuse applies).
    int folder = AT_FDCWD;
    std::string folderPath;  // names `folder` in messages
    // The document being recovered: refused as a destination.
    FileIdentity source;
    std::string sourcePath;  // names it in the refusal
  };

  OutputFile() = default;
  ~OutputFile();  // abandons an uncommitted file
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file for `destination`. Refuses a folder, the
  // source, and a folder that cannot be written, without touching anything.
  Status open(const std::string& destination, const Options& options);
  Status open(const std::string& destination) { return open(destination, Options()); }

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }                             // for copies inside the kernel
  const std::string& destination() const { return shown_; }  // as messages name it

  // Appends; on failure the file is abandoned and the status says why.
  Status write(std::string_view bytes);
  // Flushes, closes and renames over the destination; abandons on failure.
  Status commit();
  // Removes the temporary file; the destination stays as it was.
  void abandon();

 private:
  int fd_ = -1;
  int slot_ = -1;  // in the list of files to remove on a signal
  std::string temp_;
  std::string shown_;   // the destination as messages name it
  std::string target_;  // what is renamed over, in options_.folder (the link's target with kFollow)
  Options options_;
};

// Whole-file convenience: open, write all of `bytes`, commit.
Status WriteOutputFile(const std::string& destination, std::string_view bytes,
                       const OutputFile::Options& options = OutputFile::Options());

// Removes every temporary file of an OutputFile (or other registered working
// file) still open in this process. Safe in a signal handler.
void RemovePendingOutputs();

// For a signal handler that is about to end the process: from now on no
// thread creates a temporary file (one that tries waits for the end), and
// those being created now are listed (waited for, two seconds at most), so
// that RemovePendingOutputs() then finds every one.
void StopCreatingOutputs();

// Registers a working file (for example a job's temporary copy) to be removed
// by RemovePendingOutputs(); returns its slot, -1 when the list is full.
int RegisterPendingFile(const std::string& path);
void UnregisterPendingFile(int slot);

// Installs handlers for SIGINT, SIGTERM, SIGHUP and SIGPIPE that remove the
// pending files and then end the process as the signal would have. Whatever
// thread a signal lands on, a temporary file being created on any other
// thread is either listed first or never made: the handler waits for
// creations under way, and a creation that sees the handler running waits
// for the end of the process instead.
void InstallOutputCleanup();

// Whether `name` is that of an OutputFile's temporary file: what a process
// killed outright (SIGKILL, a power cut) leaves behind, for the next run in
// that folder to remove.
bool IsOutputTempName(std::string_view name);

// Flushes the file system that holds the open folder `folder` to disk (once
// for all the files written there). False when it reported an error.
bool SyncFileSystem(int folder);

// "Cannot write "PATH": REASON." — the one form of write errors.
Status CannotWrite(const std::string& path, const std::string& reason);

}  // namespace kw
